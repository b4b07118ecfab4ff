// kestrel-cli --help breaks its lines only between words, in columns as a terminal draws them.
#include "HelpText.h"
#include "CliTesting.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

TEST(HelpText, LinesBreakOnlyBetweenWordsAndCountWideCharactersTwice)
{
    struct Case
    {
        const char* text;
        int width;
        QStringList lines;
    };
    const Case cases[] = {
        {"一二三四五六七八九十", 10, {QStringLiteral("一二三四五"), QStringLiteral("六七八九十")}},
        // A closing mark never starts a line: the character before it goes along.
        {"一二三四，五六", 8, {QStringLiteral("一二三"), QStringLiteral("四，五六")}},
        {"默认：default", 10, {QStringLiteral("默认："), QStringLiteral("default")}},
        // Neither an option's name nor an address is broken at its hyphens or slashes.
        {"用 --wp-tls-fingerprint 给出",
         12,
         {QStringLiteral("用"), QStringLiteral("--wp-tls-fingerprint"), QStringLiteral("给出")}},
        {"见 https://example.com/a/b", 16, {QStringLiteral("见"), QStringLiteral("https://example.com/a/b")}},
        {"emlog pro and 6.x", 9, {QStringLiteral("emlog pro"), QStringLiteral("and 6.x")}},
        // A continuation keeps the line's indent; a line end in the text stays one.
        {"  一二三四五六\n七", 8, {QStringLiteral("  一二三"), QStringLiteral("  四五六"), QStringLiteral("七")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(wrapped(QString::fromUtf8(c.text), c.width), c.lines);
    }
    EXPECT_EQ(displayWidth(u"emlog 的表"), 10);
    EXPECT_EQ(displayWidth(u"𠮷野家"), 6);
}

TEST(HelpText, KestrelCliHelpFitsEightyColumnsWithEveryWordWhole)
{
    Subprocess help({cliProgram(), "--help"});
    ASSERT_EQ(help.wait(), 0) << help.err();
    const QStringList lines = QString::fromStdString(help.out()).split(QLatin1Char('\n'));
    for (const QString& line : lines)
        EXPECT_LE(displayWidth(line), 80) << line.toStdString();
    for (const char* whole : {"默认：default", "KESTREL_EMLOG_PASSWORD", "mariadb-dump/mysqldump",
                              "--accept-truncated-backup", "--emlog-tls-fingerprint <SHA256>", "-h, --help"})
        EXPECT_NE(help.out().find(whole), std::string::npos) << whole << "\n" << help.out();
}
