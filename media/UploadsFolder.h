#pragma once

#include "UploadsStore.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kestrel {

// WordPress's uploads folder, written only below itself: a name that would lead out (an
// absolute path, "..", a NUL) or through a symbolic link is refused. It keeps a list of the
// files earlier runs put there, with their size and hash, so that a run copies a file once.
// Its files are kept by a store: a local folder, or one reached through WordPress (UploadsStore).
class UploadsFolder
{
public:
    struct Placed
    {
        std::string uploadsPath; // relative to the folder
        std::int64_t size = 0;
        QByteArray blake2b; // hex, as hashOf() gives it; a list of older runs holds a SHA-256 here
    };

    // A local folder.
    explicit UploadsFolder(const QString& root);
    explicit UploadsFolder(std::unique_ptr<UploadsStore> store);

    // False, with the reason, when the folder cannot be made or read.
    bool open(Why& why);
    // The folder, as the report names it.
    std::string where() const { return m_store->where(); }

    // What an earlier run placed for a file of the blog, when it is still there unchanged.
    const Placed* placedEarlier(const std::string& blogPath);
    // Writes a file under `wanted` or, when another file of that name is there, a free name
    // beside it ("x-1.jpg"); gives the name used, or "" with the reason.
    std::string place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes, Why& why);
    // The same with the bytes' hash (hashOf) already known.
    std::string place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                      const QByteArray& hash, Why& why);
    // Reads back a file placed earlier.
    QByteArray read(const std::string& uploadsPath);
    // Keeps the list for the next run.
    bool saveList(Why& why);

    static QByteArray hashOf(const QByteArray& bytes);

private:
    // Whether the file at a name holds these bytes.
    bool holds(const std::string& name, const UploadsStore::Entry& entry, const QByteArray& bytes,
               const QByteArray& hash);

    std::unique_ptr<UploadsStore> m_store;
    std::string m_lastRead; // the name read last, whose bytes are kept: a file read to be checked is read once
    QByteArray m_lastBytes;
    std::map<std::string, Placed> m_placed;          // by blog path
    std::map<std::string, std::string> m_blogPathOf; // by the name it was placed under
};

} // namespace kestrel
