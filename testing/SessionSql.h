#pragma once

#include "MysqlSession.h"
#include "ResultSet.h"

#include <string>
#include <string_view>

// SQL as the tests and the benchmarks write it, to set their servers up and to look at what a run left:
// a statement as it is on a MySQL session of their own.
namespace kestrel {

inline bool executeSql(MysqlSession& session, std::string_view statement)
{
    return session.execute(statement);
}

// The whole result of the last statement; null when there is none.
inline ResultSet storeResult(MysqlSession& session)
{
    return session.result();
}

inline std::string quotedLiteral(MysqlSession& session, std::string_view value)
{
    return session.quoted(value);
}

inline void closeConnection(MysqlSession& session)
{
    session.close();
}

} // namespace kestrel
