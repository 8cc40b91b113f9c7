#include "Memories/Seed.h"

namespace mivora::Seed {

using namespace Qt::StringLiterals;

namespace {

struct Sample {
    QString title;
    QString type;
    QStringList aliases;
    QString value;
    bool pinned;
    bool sensitive;
    int ageDays;
    QString source;
};

const QList<Sample>& table() {
    static const QString name = u"沈若溪"_s;
    static const QList<Sample> rows = {
        {u"家庭地址"_s,
         u"地址"_s,
         {u"我家"_s, u"家里"_s, u"我的地址"_s, u"收货地址"_s, u"收件地址"_s, u"寄东西的地址"_s, u"住址"_s},
         u"上海市浦东新区示例路 88 号 3 栋 1201 室\n收件人："_s + name + u"\u3000电话：138 0000 0000"_s,
         true,
         false,
         90,
         u"主动存"_s},
        {u"公司地址"_s,
         u"地址"_s,
         {u"公司"_s, u"单位"_s, u"办公室"_s, u"上班的地方"_s},
         u"上海市徐汇区示例大道 100 号 创新中心 B 座 18 层\n（前台代收请写："_s + name + u" 收）"_s,
         false,
         false,
         80,
         u"主动存"_s},
        {u"发票抬头"_s,
         u"发票"_s,
         {u"抬头"_s, u"税号"_s, u"开票信息"_s, u"报销发票"_s, u"发票"_s},
         u"公司名称：示例科技（上海）有限公司\n税号：91310000MA1FL0000X"_s,
         true,
         false,
         75,
         u"主动存"_s},
        {u"手机号"_s,
         u"电话"_s,
         {u"电话"_s, u"手机"_s, u"我的号码"_s, u"手机号码"_s},
         u"138 0000 0000"_s,
         true,
         false,
         90,
         u"主动存"_s},
        {u"邮箱"_s,
         u"邮箱"_s,
         {u"邮件地址"_s, u"我的邮箱"_s, u"email"_s},
         u"ruoxi.shen@example.com"_s,
         true,
         false,
         90,
         u"主动存"_s},
        {u"车牌"_s, u"信息"_s, {u"车牌号"_s, u"我的车牌"_s}, u"沪A·D1234"_s, false, false, 60, u"主动存"_s},
        {u"家里 Wi-Fi"_s,
         u"信息"_s,
         {u"wifi"_s, u"WiFi"_s, u"无线网"_s, u"网络密码"_s, u"wifi密码"_s},
         u"网络：Harbor_5G\n密码：sample-pw-5931"_s,
         false,
         true,
         70,
         u"主动存"_s},
        {u"阿婆越南河粉"_s,
         u"餐厅"_s,
         {u"越南粉"_s, u"河粉"_s, u"粉店"_s, u"越南餐厅"_s, u"越南菜"_s},
         u"阿婆越南河粉（愚园路店）\n长宁区愚园路 1088 号\nhttps://www.example.com/pho-demo"_s,
         false,
         false,
         7,
         u"大众点评 · 分享"_s},
        {u"周末露营地"_s,
         u"地点"_s,
         {u"露营"_s, u"营地"_s, u"露营地"_s, u"莫干山"_s},
         u"莫干山 · 山里星空营地\nhttps://www.example.com/camp-demo"_s,
         false,
         false,
         12,
         u"小红书 · 分享"_s},
        {u"上海博物馆"_s,
         u"地点"_s,
         {u"博物馆"_s, u"展馆"_s, u"看展"_s, u"展览"_s, u"上博"_s},
         u"上海博物馆（人民大道 201 号）"_s,
         false,
         false,
         9,
         u"小红书 · 分享"_s},
        {u"蛋糕店"_s,
         u"餐厅"_s,
         {u"蛋糕"_s, u"甜品店"_s, u"妈妈的蛋糕"_s},
         u"Lady M（示例店）静安区南京西路 1 号\nhttps://www.example.com/cake-demo"_s,
         false,
         false,
         3,
         u"大众点评 · 分享"_s},
    };
    return rows;
}

} // namespace

QList<Memory> samples(const QDateTime& now) {
    QList<Memory> out;
    for (const Sample& s : table())
        out.append(Memory{.id = Memory::newId(),
                          .title = s.title,
                          .type = s.type,
                          .aliases = s.aliases,
                          .value = s.value,
                          .source = s.source,
                          .savedAt = now.addSecs(-qint64(s.ageDays) * 86400),
                          .useCount = 0,
                          .pinned = s.pinned,
                          .sensitive = s.sensitive});
    return out;
}

} // namespace mivora::Seed
