#pragma once

#include "Subprocess.h"
#include "TestServer.h"

#include <QJsonObject>

#include <string>
#include <vector>

// kestrel-cli as the tests run it: a program of its own, against the test server.
namespace kestrel::test {

// The kestrel-cli built here.
std::string cliProgram();

enum class OptionForm {
    Joined,  // --emlog-database=emlog
    Separate // --emlog-database emlog
};

// The options that point kestrel-cli at two databases of the test server, then `more`.
std::vector<std::string> cliArguments(const std::string& emlogDatabase, const WordPressDatabase& wordPress,
                                      const std::vector<std::string>& more = {}, OptionForm form = OptionForm::Joined);

// A small emlog blog none of whose rows can fail: `articles` articles in one
// category, a comment, a tag on two articles and a link.
void createCleanBlog(MysqlSession& emlog, int articles = 3);

// Reads the file --json wrote; a failure of the calling test when it is not a JSON object.
QJsonObject readJsonReport(const std::string& path);

// For every migration the JSON report names that the tests know, the rows it
// says arrived (written or already there) are the rows WordPress holds.
void expectReportMatchesWordPress(const QJsonObject& report, const WordPressDatabase& wordPress);

} // namespace kestrel::test
