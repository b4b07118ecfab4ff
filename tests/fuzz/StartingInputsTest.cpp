// Writes the inputs the fuzz targets start from, when KESTREL_WRITE_FUZZ_CORPUS names a folder: real
// backups of the sample blog in emlog's own form, phpMyAdmin's and mariadb-dump's, plain, gzipped and
// zipped; their statements; the PHP-serialized options of the sample and of a new WordPress; the
// articles and comments; and the receiver plugin's answers as its code writes them:
//   KESTREL_WRITE_FUZZ_CORPUS=$PWD/fuzz/corpus KESTREL_QUICK=1 scripts/test.sh -R StartingInputs
#include "BackupForms.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

using namespace kestrel;
using namespace kestrel::test;

namespace {

class Folder
{
public:
    explicit Folder(std::filesystem::path path) : m_path(std::move(path)) {}

    void write(const std::string& target, const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories(m_path / target);
        std::ofstream(m_path / target / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    void copy(const std::string& target, const std::string& name, const std::string& from) const
    {
        std::filesystem::create_directories(m_path / target);
        std::filesystem::copy_file(from, m_path / target / name, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(from);
    }

private:
    std::filesystem::path m_path;
};

// The first statement of a dump that starts with `start`, with its ';'.
std::string statementStarting(const std::string& sql, const std::string& start)
{
    const std::size_t from = sql.find("\n" + start);
    if (from == std::string::npos)
        return {};
    const std::size_t end = sql.find(";\n", from);
    return sql.substr(from + 1, end == std::string::npos ? std::string::npos : end - from);
}

} // namespace

TEST(StartingInputs, WrittenFromTheSampleBlog)
{
    const char* out = std::getenv("KESTREL_WRITE_FUZZ_CORPUS");
    if (!out)
        GTEST_SKIP() << "KESTREL_WRITE_FUZZ_CORPUS=FOLDER writes the fuzz targets' starting inputs";
    const Folder folder(out);

    TestDatabase pro("fuzz_corpus_pro");
    loadSampleBlog(pro.name());
    TestDatabase six("fuzz_corpus_six");
    loadSampleBlog(six.name(), "emlog_", EmlogVersion::Six);
    const std::string columns = backupOf(pro.admin(), pro.name(), "emlog_", BackupForm::ProColumns);
    const std::string values = backupOf(six.admin(), six.name(), "emlog_", BackupForm::EmlogValues, "emlog 6.1.0");
    const std::string phpMyAdmin = backupOf(pro.admin(), pro.name(), "emlog_", BackupForm::PhpMyAdmin);
    const std::string dump = backupOf(six.admin(), six.name(), "emlog_", BackupForm::MariadbDump);
    folder.write("backup_file", "sample-pro-columns.sql", columns);
    folder.copy("backup_file", "sample-6-values.zip", writeBackupFile("values.zip", values, Packing::Zip));
    folder.copy("backup_file", "sample-phpmyadmin.sql.gz", writeBackupFile("pma.sql.gz", phpMyAdmin, Packing::Gzip));
    folder.write("backup_file", "sample-mariadb-dump.sql", dump);

    int statements = 0;
    for (const std::string& sql : {columns, values, phpMyAdmin, dump}) {
        for (const char* start : {"CREATE TABLE", "INSERT INTO", "SET ", "LOCK TABLES", "/*!40101"}) {
            const std::string statement = statementStarting(sql, start);
            if (!statement.empty())
                folder.write("sql_statements", "sample-" + std::to_string(++statements) + ".sql", statement);
        }
    }

    WordPressDatabase wordpress("fuzz_corpus_wp");
    int serialized = 0;
    for (MysqlSession* blog : {&pro.admin(), &wordpress.admin()}) {
        const std::string table = blog == &pro.admin() ? "emlog_options" : "wp_options";
        for (const Row& row : queryRows(*blog, "SELECT option_value FROM " + table + " WHERE option_value LIKE 'a:%'"))
            folder.write("php_serialized", "sample-" + std::to_string(++serialized), *row[0]);
    }

    const std::string blogurl =
        queryValue(pro.admin(), "SELECT option_value FROM emlog_options WHERE option_name='blogurl'");
    std::set<std::string> texts;
    for (const Row& row :
         queryRows(pro.admin(), "SELECT content FROM emlog_blog UNION SELECT description FROM emlog_sort"))
        texts.insert(*row[0]);
    int articles = 0;
    for (const std::string& text : texts)
        folder.write("blog_links", "sample-" + std::to_string(++articles), blogurl + "\n" + text);
    int comments = 0;
    for (const Row& row : queryRows(pro.admin(), "SELECT DISTINCT comment FROM emlog_comment"))
        folder.write("ubb", "sample-" + std::to_string(++comments), *row[0]);

    // As wordpress-plugin/kestrel-receiver answers: its hello, operations' outcomes (rows in base64,
    // NULL as null, warnings as pairs), a failure, a refusal as WordPress words a WP_Error, and files.
    const std::pair<const char*, const char*> answers[] = {
        {"hello",
         R"({"protocol":3,"prefix":"wp_","max_allowed_packet":67108864,"uploads":"https://example.com/wp-content/uploads","limits":{"post_max_size":8388608,"upload_max_bytes":2097152,"time_limit":30,"max_execution_time":30}})"},
        {"results-rows",
         R"({"results":[{"ok":true,"insert_id":"0","affected":-1,"warning_count":0},{"ok":true,"insert_id":"0","affected":2,"warning_count":0,"columns":["ID","post_title"],"rows":[["MQ==","5L2g5aW9"],["Mg==",null]]}]})"},
        {"results-warnings",
         R"({"results":[{"ok":true,"insert_id":"412","affected":1,"warning_count":1,"warnings":[[1265,"Data truncated for column 'post_title' at row 1"]]},{"ok":false,"errno":1062,"error":"Duplicate entry '7' for key 'PRIMARY'"}]})"},
        {"refused",
         R"({"code":"kestrel_receiving_off","message":"receiving is off","data":{"status":403,"switch":"https://example.com/wp-admin/tools.php?page=kestrel-receiver","errno":2013}})"},
        {"bad-request", R"({"code":"kestrel_bad_request","message":"operations are a list","data":{"status":400}})"},
        {"file-look",
         R"({"exists":true,"is_file":true,"size":20480,"sha256":"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08"})"},
        {"file-read", R"({"data":"iVBORw0KGgo="})"},
    };
    for (const auto& [name, json] : answers)
        folder.write("plugin_answers", name, json);
}
