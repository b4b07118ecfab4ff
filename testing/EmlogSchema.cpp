#include "EmlogSchema.h"

#include <fstream>
#include <sstream>

namespace kestrel::sample {

namespace {

void replaceEvery(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
}

// The statements of one of the sample's SQL files; its comment lines hold no statement.
void appendStatements(std::vector<std::string>& statements, const std::string& file, const std::string& prefix,
                      const std::string& charset)
{
    std::ifstream in(std::string(KESTREL_SAMPLE_DIR) + "/" + file);
    std::string sql;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("--", 0) != 0)
            sql += line + "\n";
    }
    replaceEvery(sql, "{prefix}", prefix);
    replaceEvery(sql, "{charset}", charset);

    std::size_t start = 0;
    for (std::size_t end; (end = sql.find(';', start)) != std::string::npos; start = end + 1) {
        const std::string statement = sql.substr(start, end - start);
        if (statement.find_first_not_of(" \n") != std::string::npos)
            statements.push_back(statement);
    }
}

} // namespace

const char* versionName(EmlogVersion version)
{
    switch (version) {
    case EmlogVersion::Four:
        return "4";
    case EmlogVersion::Five:
        return "5";
    case EmlogVersion::Six:
        return "6";
    case EmlogVersion::Pro:
        break;
    }
    return "pro";
}

std::vector<std::string> emlogSchema(const std::string& prefix, const std::string& charset, EmlogVersion version)
{
    // Pro's tables hold every column; an older version's lose the later ones, as load-emlog.sh does it.
    std::vector<std::string> statements;
    appendStatements(statements, "emlog-schema.sql", prefix, charset);
    if (version != EmlogVersion::Pro)
        appendStatements(statements, "emlog-6.sql", prefix, charset);
    if (version == EmlogVersion::Six)
        appendStatements(statements, "emlog-6-only.sql", prefix, charset);
    if (version == EmlogVersion::Five || version == EmlogVersion::Four)
        appendStatements(statements, "emlog-5.sql", prefix, charset);
    if (version == EmlogVersion::Four)
        appendStatements(statements, "emlog-4.sql", prefix, charset);
    return statements;
}

const char* blogName(OldBlog blog)
{
    return blog == OldBlog::ThreeFive ? "3.5" : "4.3";
}

} // namespace kestrel::sample
