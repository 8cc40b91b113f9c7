// The platform's clipboard tells the front application's requests from other programs' by the requestor's X
// client: a secret kept from others is pasted into a Qt, GTK 3 or GTK 4 field in front (each asks from a
// window of its own), while any other program asking for it is refused (it hears of no data it could read).
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

using namespace mivora;
using namespace mivora::test;

struct FrontRequestorDesktop : LinuxDesktop {};

TEST_F(FrontRequestorDesktop, ASecretKeptFromOthersIsPastedIntoTheFrontApplicationOnly) {
    const std::pair<QString, QStringList> fields[] = {
        {"mivora_target", {}},
        {"/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "3"}},
        {"/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "4"}}};
    for (const auto& [program, args] : fields) {
        SCOPED_TRACE((program + " " + args.join(' ')).toStdString());
        ChildProcess field;
        ASSERT_TRUE(field.startInFront(platform->frontApplication(), program, args));
        Pasteboard& clipboard = platform->pasteboard();
        clipboard.write({{{"text/plain", QStringLiteral("PWX7731SECRET").toUtf8()}}});
        ASSERT_TRUE(clipboard.keepFromOthers());
        EXPECT_EQ(clipboardAs("UTF8_STRING"), QByteArray());
        EXPECT_EQ(clipboardAs("TARGETS"), "TARGETS\nTIMESTAMP\n"); // no data to keep, but not empty
        ASSERT_TRUE(platform->syntheticKeys().postPaste(PasteKeys::controlV));
        EXPECT_TRUE(field.waitForLine("text:PWX7731SECRET")) << field.lines().join('\n').toStdString();
        EXPECT_EQ(clipboardAs("UTF8_STRING"), QByteArray());
    }
}
