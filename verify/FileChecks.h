#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct VerifyContext;

// The pictures and files that rows show: each must answer on the site, and be emlog's very bytes
// when emlog's files are at hand. A file still at the old blog's address is reported only when emlog's
// files are at hand and hold it: otherwise the old blog is not asked, and it may be gone.
class FileChecks
{
public:
    explicit FileChecks(VerifyContext& verify) : m_verify(verify) {}

    // A file the row of `kind` shows, at this address.
    void add(std::string_view kind, std::int64_t emlogId, std::string address);
    // Checks what was added since the last time, and reports what differs.
    void check();

private:
    struct Shown
    {
        std::string_view kind;
        std::int64_t emlogId;
        std::string address;
    };
    // emlog's bytes of these files below its root, by index; empty where emlog has none.
    std::vector<QByteArray> emlogBytes(const std::vector<std::string>& blogPaths);

    VerifyContext& m_verify;
    std::vector<Shown> m_shown;
};

} // namespace kestrel
