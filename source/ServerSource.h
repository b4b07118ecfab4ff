#pragma once

#include "EmlogSource.h"

#include <cstddef>
#include <unordered_map>

namespace kestrel {

struct RunContext;

// emlog's rows as its server gives them, through the run's emlog session.
class ServerSource : public EmlogSource
{
public:
    // Tables are read in pages of `pageRows` rows; 0 sizes each page from the rows before it,
    // so that a page holds about the same bytes whatever the rows hold.
    explicit ServerSource(RunContext& run, std::size_t pageRows = 0) : m_run(run), m_pageRows(pageRows) {}

    bool forEachRow(const TableReading& reading, const std::function<void(const EmlogRow&)>& work) override;
    bool readTable(std::string_view table, const std::vector<std::string>& columns,
                   const std::function<void(const EmlogRow&)>& work) override;
    bool rowsById(std::string_view table, std::string_view idColumn, const std::vector<std::int64_t>& ids,
                  const std::vector<std::string>& columns, const std::function<void(const EmlogRow&)>& work) override;
    std::optional<EmlogValues> columns(std::string_view table, std::string_view idColumn,
                                       std::string_view column) override;
    std::optional<std::int64_t> largestId(std::string_view table, std::string_view idColumn) override;
    std::optional<bool> hasTable(std::string_view table) override;
    std::optional<bool> hasColumn(std::string_view table, std::string_view column) override;
    bool readable(std::string_view table, std::string& why) override;
    bool option(std::string_view name, std::optional<std::string>& value) override;
    void readAhead(const std::vector<EmlogRead>& reads) override;
    std::string tableName(std::string_view table) const override;
    std::string lastError() const override;

private:
    RunContext& m_run;
    std::size_t m_pageRows;
    // Each table's columns, asked once: they do not change while a run reads them.
    std::unordered_map<std::string, std::vector<std::string>> m_columnNames;
};

} // namespace kestrel
