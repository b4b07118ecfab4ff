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

} // namespace

std::vector<std::string> emlogSchema(const std::string& prefix, const std::string& charset)
{
    std::ifstream file(KESTREL_SCHEMA_FILE);
    std::string schema;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("--", 0) != 0)
            schema += line + "\n";
    }
    replaceEvery(schema, "{prefix}", prefix);
    replaceEvery(schema, "{charset}", charset);

    std::vector<std::string> statements;
    std::size_t start = 0;
    for (std::size_t end; (end = schema.find(';', start)) != std::string::npos; start = end + 1) {
        const std::string statement = schema.substr(start, end - start);
        if (statement.find_first_not_of(" \n") != std::string::npos)
            statements.push_back(statement);
    }
    return statements;
}

} // namespace kestrel::sample
