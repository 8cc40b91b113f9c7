#include "Memories/MemoryTemplate.h"

namespace mivora {

using namespace Qt::StringLiterals;

Memory MemoryTemplate::memory(const Clock& clock) const {
    Memory m{.id = Memory::newId(),
             .source = u"手动添加"_s,
             .savedAt = IsoDate::wholeSeconds(clock.now()),
             .useCount = 0,
             .pinned = false,
             .sensitive = false};
    switch (case_) {
    case home:
        m.title = u"家庭地址"_s;
        m.type = u"地址"_s;
        m.aliases = {u"我的地址"_s, u"我家"_s, u"家里"_s, u"收货地址"_s, u"住址"_s};
        break;
    case work:
        m.title = u"公司地址"_s;
        m.type = u"地址"_s;
        m.aliases = {u"公司"_s, u"单位"_s, u"办公室"_s};
        break;
    case phone:
        m.title = u"手机号"_s;
        m.type = u"电话"_s;
        m.aliases = {u"电话"_s, u"手机"_s, u"我的号码"_s, u"我的电话"_s};
        break;
    case email:
        m.title = u"邮箱"_s;
        m.type = u"邮箱"_s;
        m.aliases = {u"我的邮箱"_s, u"邮件地址"_s, u"email"_s};
        break;
    case invoice:
        m.title = u"发票抬头"_s;
        m.type = u"发票"_s;
        m.aliases = {u"抬头"_s, u"税号"_s, u"开票信息"_s};
        break;
    case wifi:
        m.title = u"Wi-Fi 密码"_s;
        m.type = u"信息"_s;
        m.aliases = {u"wifi"_s, u"无线网"_s, u"网络密码"_s};
        m.sensitive = true;
        break;
    }
    return m;
}

QList<MemoryTemplate> MemoryTemplate::allCases() {
    return {home, work, phone, email, invoice, wifi};
}

} // namespace mivora
