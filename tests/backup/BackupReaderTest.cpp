// The backup reader: literals as the server reads them, the statements of emlog's
// backups and of dumps, and files that are broken or cut short.
#include "BackupFile.h"
#include "RepeatedText.h"
#include "RunTexts.h"
#include "SqlStatements.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// As the window and kestrel-cli word what the reader found.
std::string words(const BackupProblem& problem)
{
    return texts::backupProblem(problem).toStdString();
}

std::string tempPath(const std::string& name)
{
    return std::string(::testing::TempDir()) + "/backup_test_" + name;
}

std::string writeFile(const std::string& name, const std::string& contents)
{
    const std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

std::string writeGzip(const std::string& name, const std::string& contents, std::size_t keep = std::string::npos)
{
    const std::string path = tempPath(name);
    gzFile file = gzopen(path.c_str(), "wb");
    gzwrite(file, contents.data(), static_cast<unsigned>(contents.size()));
    gzclose(file);
    if (keep != std::string::npos) {
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes.substr(0, keep);
    }
    return path;
}

std::string writeZip(const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries)
{
    const std::string path = tempPath(name);
    std::remove(path.c_str());
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    for (const auto& [entry, contents] : entries) {
        zip_source_t* source = zip_source_buffer(archive, contents.data(), contents.size(), 0);
        zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive); // reads the buffers, which live until here
    return path;
}

const std::string emlogHeader = "#version:emlog 6.1.0\n#date:2024-05-06 12:00\n#tableprefix:blog_\n";
const std::string blogTable =
    "DROP TABLE IF EXISTS blog_blog;\n"
    "CREATE TABLE `blog_blog` (\n  `gid` int(10) unsigned NOT NULL AUTO_INCREMENT,\n"
    "  `title` varchar(255) NOT NULL DEFAULT '',\n  `hide` enum('n','y') NOT NULL,\n"
    "  PRIMARY KEY (`gid`),\n  KEY `hide` (`hide`)\n) ENGINE=MyISAM DEFAULT CHARSET=utf8;\n\n";

// A row as "column=value" texts, NULL as "column=NULL".
std::string textOf(const BackupRow& row)
{
    std::string text;
    for (std::size_t i = 0; i < row.values.size(); ++i)
        text += (i ? " " : "") + (*row.columns)[i] + "=" + (row.values[i].null ? "NULL" : row.values[i].bytes);
    return text;
}

// Every row of a table.
std::vector<std::string> rowsOf(BackupFile& backup, const std::string& table)
{
    std::vector<std::string> rows;
    const BackupTable* found = backup.table(table);
    if (!found)
        return rows;
    EXPECT_TRUE(backup.forEachRow(*found, [&](const BackupRow& row) {
        rows.push_back(textOf(row));
        return true;
    })) << words(backup.problem());
    return rows;
}

} // namespace

TEST(BackupReaderTest, LiteralsReadAsTheServerReadsThem)
{
    struct Case
    {
        const char* values;
        std::vector<SqlValue> expected;
    };
    using V = SqlValue;
    const Case cases[] = {
        {"'a','',NULL", {V{"a"}, V{""}, V{"", true}}},
        {R"('it\'s','it''s',"say \"hi\"")", {V{"it's"}, V{"it's"}, V{"say \"hi\""}}},
        {R"('\0\n\r\\\Z\t\b')", {V{std::string("\0\n\r\\\x1a\t\b", 7)}}},
        {R"('100\%','a\_b','\q')", {V{"100\\%"}, V{"a\\_b"}, V{"q"}}},
        {"12,-3,+4,1.5,2e3,.5", {V{"12"}, V{"-3"}, V{"4"}, V{"1.5"}, V{"2e3"}, V{".5"}}},
        {"0x41FF,X'e4bda0',0x,x''", {V{"A\xff"}, V{"\xe4\xbd\xa0"}, V{""}, V{""}}},
        {"_binary 'a\\'b',_utf8mb4'x',_binary 0x4142", {V{"a'b"}, V{"x"}, V{"AB"}}},
        {"'你好 😀', null, TRUE", {V{"你好 😀"}, V{"", true}, V{"1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        InsertRows insert;
        SqlError error;
        ASSERT_TRUE(parseInsert(std::string("INSERT INTO t VALUES (") + c.values + ")", insert, error)) << words(error);
        ASSERT_EQ(insert.rows.size(), 1u);
        EXPECT_EQ(insert.rows[0], c.expected);
    }
}

TEST(BackupReaderTest, StatementsOfBackupsAndDumps)
{
    struct Case
    {
        const char* what;
        const char* sql;
        StatementKind kind;
        const char* table;
        std::size_t rows = 0;
        std::vector<std::string> columns = {};
    };
    const Case cases[] = {
        {"emlog's positional form", "INSERT INTO emlog_blog VALUES('1','t','n')", StatementKind::Insert, "emlog_blog",
         1},
        {"pro's column list",
         "INSERT INTO emlog_blog (`gid`, `title`) VALUES ('1',NULL)",
         StatementKind::Insert,
         "emlog_blog",
         1,
         {"gid", "title"}},
        {"a dump's extended insert", "INSERT INTO `emlog_tag` VALUES (1,'a',''),(2,'b','1,2'),\n(3,'c',NULL)",
         StatementKind::Insert, "emlog_tag", 3},
        {"insert ignore, dotted name", "insert ignore into `db`.`emlog_tag` value (1)", StatementKind::Insert,
         "emlog_tag", 1},
        {"phpMyAdmin's update of rows already there",
         "INSERT INTO `emlog_tag` (`tid`, `tagname`) VALUES (1, 'a'), (2, 'b') ON DUPLICATE KEY UPDATE "
         "`tagname` = VALUES(`tagname`)",
         StatementKind::Insert,
         "emlog_tag",
         2,
         {"tid", "tagname"}},
        {"lock tables", "LOCK TABLES `emlog_blog` WRITE", StatementKind::Ignored, ""},
        {"set", "SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT", StatementKind::Ignored, ""},
        {"a versioned comment's remains", "ALTER TABLE `emlog_blog` DISABLE KEYS", StatementKind::Ignored, ""},
        {"create database", "CREATE DATABASE IF NOT EXISTS `blog`", StatementKind::Ignored, ""},
        {"create table", "CREATE TABLE IF NOT EXISTS `emlog_link` (`id` int, sitename varchar(30), KEY (id))",
         StatementKind::CreateTable, "emlog_link"},
        {"not SQL a dump writes", "INSRT INTO emlog_blog VALUES (1)", StatementKind::Unknown, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string table;
        EXPECT_EQ(statementKind(c.sql, table), c.kind);
        EXPECT_EQ(table, c.table);
        if (c.kind == StatementKind::Insert) {
            InsertRows insert;
            SqlError error;
            ASSERT_TRUE(parseInsert(c.sql, insert, error)) << words(error);
            EXPECT_EQ(insert.rows.size(), c.rows);
            EXPECT_EQ(insert.columns, c.columns);
        }
    }
    CreateTable create;
    SqlError error;
    ASSERT_TRUE(parseCreateTable(
        blogTable.substr(blogTable.find("CREATE"), blogTable.rfind(';') - blogTable.find("CREATE")), create, error))
        << words(error);
    EXPECT_EQ(create.columns, (std::vector<std::string>{"gid", "title", "hide"}));
    EXPECT_EQ(create.charset, "utf8");
}

TEST(BackupReaderTest, EveryFormGivesTheSameRows)
{
    const std::string emlog = emlogHeader + blogTable + "INSERT INTO blog_blog VALUES('1','第一篇; 你好','n');\n" +
                              "INSERT INTO blog_blog VALUES('2','it\\'s -- not a comment','y');\n" +
                              "INSERT INTO other_blog VALUES('9','其他程序','n');\n" + "#the end of backup\n";
    // pro writes each row with its columns, in a statement of its own.
    const std::string pro =
        emlogHeader + blogTable + "INSERT INTO blog_blog (gid,title,hide) VALUES('1','第一篇; 你好','n');\n" +
        "INSERT INTO blog_blog (`gid`,`title`,`hide`) VALUES('2','it\\'s -- not a comment','y');\n" +
        "#the end of backup\n";
    const std::string dump =
        "-- MariaDB dump 10.19  Distrib 10.11\n/*!40101 SET NAMES utf8mb4 */;\n" + blogTable +
        "LOCK TABLES `blog_blog` WRITE;\n/*!40000 ALTER TABLE `blog_blog` DISABLE KEYS */;\n"
        "INSERT INTO `blog_blog` VALUES (1,'第一篇; 你好','n'),(2,'it\\'s -- not a comment','y');\n"
        "UNLOCK TABLES;\n"
        // Triggers and routines come between DELIMITER lines; their bodies hold ';' and rows of their own.
        "DELIMITER ;;\n/*!50003 CREATE*/ /*!50017 DEFINER=`root`@`localhost`*/ /*!50003 TRIGGER `stamp` BEFORE "
        "INSERT ON `blog_blog` FOR EACH ROW BEGIN SET NEW.title = 'x; y'; END */;;\n"
        "delimiter $$\nCREATE PROCEDURE `fill`()\nBEGIN\n  INSERT INTO `blog_blog` VALUES (3,'not a row','n');\n"
        "  SELECT 1;\nEND $$\nDELIMITER ;\n"
        "# a comment /* of its own\n-- Dump completed on 2024-05-06\n";
    const std::vector<std::string> expected = {"gid=1 title=第一篇; 你好 hide=n",
                                               "gid=2 title=it's -- not a comment hide=y"};
    const std::vector<std::pair<std::string, std::string>> files = {
        {"plain", writeFile("emlog.sql", emlog)},
        {"columns named", writeFile("pro.sql", pro)},
        {"gzip", writeGzip("emlog.sql.gz", emlog)},
        {"zip", writeZip("emlog.zip", {{"readme.txt", "x"}, {"emlog_20240506.sql", emlog}})},
        {"dump", writeFile("dump.sql", dump)},
    };
    for (const auto& [what, path] : files) {
        SCOPED_TRACE(what);
        BackupFile backup;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> told;
        backup.progress = [&told](std::uint64_t done, std::uint64_t total) { told.emplace_back(done, total); };
        ASSERT_TRUE(backup.open(path, "blog_", false, {"blog.gid", "blog.hide", "blog.nothing"}))
            << words(backup.problem());
        // How far the first pass is: the file's own bytes, or the .sql's in a zip, up to the end.
        ASSERT_FALSE(told.empty());
        const std::uint64_t total = what == "zip" ? emlog.size() : std::filesystem::file_size(path);
        for (std::size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(told[i].second, total);
            EXPECT_LE(told[i].first, total);
            EXPECT_TRUE(i == 0 || told[i].first > told[i - 1].first);
        }
        EXPECT_GE(told.back().first * 100, total * 99);
        ASSERT_NE(backup.keptColumn("blog_blog", "hide"), nullptr);
        const KeptValues& hide = *backup.keptColumn("blog_blog", "hide");
        ASSERT_EQ(hide.size(), 2u);
        EXPECT_EQ(hide[0], "n");
        EXPECT_EQ(hide[1], "y");
        EXPECT_EQ(backup.keptColumn("blog_blog", "nothing"), nullptr);
        EXPECT_EQ(backup.prefix(), "blog_");
        ASSERT_EQ(backup.tables().size(), 1u); // other_blog is another program's
        EXPECT_EQ(backup.tables()[0].rows, 2);
        EXPECT_EQ(backup.tables()[0].charset, "utf8");
        EXPECT_EQ(rowsOf(backup, "blog_blog"), expected);

        // A reader may read the file again from inside a row, and keep rows past their statements.
        std::vector<BackupRow> kept;
        EXPECT_TRUE(backup.forEachRow(backup.tables()[0], [&](const BackupRow& row) {
            kept.push_back(row);
            EXPECT_EQ(rowsOf(backup, "blog_blog"), expected);
            return true;
        })) << words(backup.problem());
        std::vector<std::string> keptRows;
        for (const BackupRow& row : kept)
            keptRows.push_back(textOf(row));
        EXPECT_EQ(keptRows, expected);
        std::remove(path.c_str());
    }
}

TEST(BackupReaderTest, BrokenFilesSayWhereAndWhy)
{
    struct Case
    {
        const char* what;
        std::string contents;
        bool acceptTruncated;
        const char* said; // in the error, or in the cut when it was read
    };
    const std::string body = emlogHeader + blogTable;
    const Case cases[] = {
        {"a broken quote", body + "INSERT INTO blog_blog VALUES('1','abc,'n');\n#the end of backup\n", false,
         "第 13 行第 41 列：引号 ' 没有在这一行里闭合"},
        {"not a statement", body + "INSERT INTO blog_blog VALUES('1' 'x','n');\n#the end of backup\n", false,
         "第 13 行第 34 列：这里应当是 “)”"},
        {"a value too many", body + "INSERT INTO blog_blog VALUES('1','x','n','z');\n#the end of backup\n", false,
         "第 1 行有 4 个值，表却有 3 列"},
        {"bytes that are not UTF-8",
         body + "INSERT INTO blog_blog VALUES('1','ok','n');\nINSERT INTO blog_blog VALUES('2','\xc4\xe3','n');\n"
                "#the end of backup\n",
         false, "表 blog_blog 的第 2 行（gid=2），列 title 的第 1 个字节起不是有效的 UTF-8"},
        {"no end mark", body + "INSERT INTO blog_blog VALUES('1','x','n');\n", false, "没有“#the end of backup”"},
        {"cut in a statement", body + "INSERT INTO blog_blog VALUES('1','x','n');\nINSERT INTO blog_blog VALUES('2'",
         false, "第 14 行第 1 列的语句没有写完"},
        {"cut, read anyway", body + "INSERT INTO blog_blog VALUES('1','x','n');\nINSERT INTO blog_blog VALUES('2'",
         true, "第 14 行第 1 列的语句没有写完"},
        {"a delimiter of nothing",
         body + "DELIMITER \nINSERT INTO blog_blog VALUES('1','x','n');\n#the end of backup\n", false,
         "第 13 行第 1 列：DELIMITER 后面应当是一个不带引号的分隔符"},
        {"no emlog tables",
         "#version:emlog 6.1.0\n#tableprefix:blog_\nCREATE TABLE wp_blog (a int);\n"
         "#the end of backup\n",
         false, "没有表前缀为“blog_”的 emlog 表；文件里有 wp_blog，表前缀也许是“wp_”"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = writeFile("broken.sql", c.contents);
        BackupFile backup;
        const bool read = backup.open(path, "emlog_", c.acceptTruncated);
        EXPECT_EQ(read, c.acceptTruncated);
        const std::string said = read ? texts::backupCut(backup.cut()).toStdString() : words(backup.problem());
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        if (read) {
            EXPECT_EQ(backup.cut().lostTable, "blog_blog");
            EXPECT_EQ(rowsOf(backup, "blog_blog").size(), 1u);
        } else {
            EXPECT_NE(words(backup.problem()).find(path), std::string::npos);
        }
        std::remove(path.c_str());
    }

    // A gzip cut short is a cut file too, whatever text it still gave.
    const std::string whole = emlogHeader + blogTable + "INSERT INTO blog_blog VALUES('1','x','n');\n";
    std::string many = whole;
    for (int i = 2; i < 2000; ++i)
        many += "INSERT INTO blog_blog VALUES('" + std::to_string(i) + "','" + std::to_string(i * 7919) + "','n');\n";
    const std::string path = writeGzip("cut.sql.gz", many + "#the end of backup\n", 4000);
    BackupFile backup;
    EXPECT_FALSE(backup.open(path, "emlog_", false));
    EXPECT_NE(words(backup.problem()).find("不完整"), std::string::npos) << words(backup.problem());
    EXPECT_TRUE(backup.open(path, "emlog_", true)) << words(backup.problem());
    EXPECT_TRUE(backup.cut().cut);

    // A run stopped during the first pass stops it between two statements.
    int statements = 0;
    backup.stopRequested = [&statements] { return ++statements > 100; };
    EXPECT_FALSE(backup.open(path, "emlog_", true));
    EXPECT_NE(words(backup.problem()).find("已停止"), std::string::npos) << words(backup.problem());
    EXPECT_EQ(statements, 101);
    std::remove(path.c_str());
}

// Past the bounds, a file is refused at the place it passes them, or read no further than that there:
// a statement larger than the server takes (held only up to that size), compressed text expanding far
// more than SQL does, a DELIMITER line of any length, a row of a million values.
TEST(BackupReaderTest, PastTheBoundsRefusedOrPassedOver)
{
    const std::string body = emlogHeader + blogTable; // 12 lines
    const std::string large = "INSERT INTO blog_blog VALUES('2','" + std::string(5000, 'x') + "','n');\n";
    std::string manyValues = "INSERT INTO blog_blog VALUES('3'";
    for (int i = 0; i < 1000000; ++i)
        manyValues += ",1";
    manyValues += ");\n";
    const std::string first = "INSERT INTO blog_blog VALUES('1','a','n');\n";
    const std::string last = "INSERT INTO blog_blog VALUES('4','d','n');\n#the end of backup\n";
    struct Case
    {
        const char* what;
        std::string path;
        std::uint64_t largest; // 0: none named
        bool acceptTruncated;
        const char* said; // in the problem, or in the statement passed over
        std::vector<std::string> rows = {};
    };
    const Case cases[] = {
        {"a statement too large", writeFile("large.sql", body + first + large + last), 1000, false,
         "第 14 行第 1 列：表 blog_blog 的这条语句超过了一条语句的上限 1000 字节"},
        {"one passed over when read anyway",
         writeFile("passed.sql", body + first + large + last),
         1000,
         true,
         "第 14 行第 1 列起的语句有 5041 字节，超过了一条语句的上限 1000 字节",
         {"gid=1 title=a hide=n", "gid=4 title=d hide=n"}},
        {"another program's, passed over",
         writeFile("other.sql", body + first + "INSERT INTO forum VALUES('" + std::string(5000, 'x') + "');\n" + last),
         1000,
         false,
         "",
         {"gid=1 title=a hide=n", "gid=4 title=d hide=n"}},
        {"not a statement of any table", writeFile("nul.sql", body + first + std::string(5000, '\0') + last), 1000,
         true, "第 14 行第 1 列：这条语句超过了一条语句的上限 1000 字节"},
        {"a gzip expanding past SQL text",
         writeRepeatedGzip("newlines.sql.gz", {body + first, std::string(1 << 20, '\n'), 200, last}), 0, true,
         "行第 1 列：66995 字节的压缩数据展开成了"},
        {"a zip saying it will", writeRepeatedZip("zeros.zip", {body, std::string(1 << 20, '\0'), 2048, last}), 0, true,
         "：2124088 字节（2.0 MiB）的压缩数据展开成了 2147484043 字节（2048.0 MiB），超过 SQL 文本能有的 200 倍"},
        {"a long DELIMITER line", writeFile("delimiter.sql", body + "DELIMITER " + std::string(3 << 20, ';') + "\n"), 0,
         false, "第 13 行第 1 列：DELIMITER 后面的分隔符太长"},
        {"a row of a million values", writeFile("values.sql", body + first + manyValues + last), 0, false,
         "表 blog_blog 的第 2 行有 1000001 个值，表却有 3 列"},
        {"an empty comment",
         writeFile("comment.sql", body + "/**/" + first + last),
         0,
         false,
         "",
         {"gid=1 title=a hide=n", "gid=4 title=d hide=n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BackupFile backup;
        backup.largestStatement = c.largest;
        const bool read = backup.open(c.path, "emlog_", c.acceptTruncated);
        EXPECT_EQ(read, !c.rows.empty()) << words(backup.problem());
        const std::string said =
            read ? (backup.passedOver().empty() ? std::string()
                                                : texts::passedOverStatement(backup.passedOver()[0]).toStdString())
                 : words(backup.problem());
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        if (read) {
            EXPECT_EQ(rowsOf(backup, "blog_blog"), c.rows);
            EXPECT_EQ(backup.table("blog_blog")->rows, 2);
            // The window asks before such a file is read without what it passed over.
            const QString question =
                texts::truncatedBackupQuestion(QString::fromStdString(c.path), backup.cut(), backup.passedOver());
            EXPECT_EQ(question.contains(QStringLiteral("里有 1 条语句太大，读不进来")), !backup.passedOver().empty());
        } else {
            EXPECT_NE(said.find(c.path), std::string::npos) << said; // names the file
        }
        std::remove(c.path.c_str());
    }
}
