#pragma once

#include "MessageBox.h"
#include "MigrationRunner.h"
#include "MigrationWindow.h"

#include <QJsonObject>

#include <functional>
#include <optional>
#include <string>

// A run through the real window, and what WordPress then shows: shared by the end-to-end tests.
namespace kestrel::test {

struct BlogPair
{
    std::string emlogDatabase;
    std::string emlogPrefix;
    std::string wordPressDatabase;
    std::string wordPressPrefix;
    std::string emlogBackup = {}; // chosen with the button beside emlog's server field
    FileSettings files = {};      // typed into the files dialog
    bool verify = false;          // 核对 pressed in the completion message
};

// Fills in the window as a user would, ticks 先清空 (empty WordPress first) or not, presses Go,
// answers Yes and waits for the run to end. Gives the completion message (empty when none came).
// `afterwards` gets the window once the completion message came, before it closes.
MessageBox::Shown migrateThroughWindow(const BlogPair& blogs, bool emptyFirst = true,
                                       const std::function<void(MigrationWindow&)>& afterwards = {});

// A run between two databases of the test server, as root, with emlog's tables under "emlog_".
RunSettings testServerSettings(const std::string& emlogDatabase, const std::string& wordPressDatabase,
                               const std::string& wordPressPrefix = "wp_");
// Starts `runner` with `settings` and waits for it to end: its report, or none when it sent none.
std::optional<RunReport> runToEnd(MigrationRunner& runner, const RunSettings& settings);

// What WordPress itself shows of a database: scripts/wordpress/view.php's JSON.
QJsonObject wordPressView(const std::string& database, const std::string& prefix);

} // namespace kestrel::test
