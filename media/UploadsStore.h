#pragma once

#include "Why.h"

#include <QByteArray>

#include <cstdint>
#include <string>

namespace kestrel {

// Where UploadsFolder keeps its files: WordPress's uploads folder on this machine (LocalUploads), or
// one reached some other way (the receiver plugin's, receiver/PluginUploads). Names come checked
// (UploadsFolder refuses any that could lead out); a store refuses, besides, any that passes through a
// symbolic link, and writes a file whole or not at all. Used by one thread at a time.
class UploadsStore
{
public:
    struct Entry
    {
        bool exists = false;
        bool isFile = false;
        std::int64_t size = 0;
        QByteArray sha256; // hex, when the store tells it without the bytes being read back; else empty
    };

    virtual ~UploadsStore() = default;

    // False, with the reason, when the folder cannot be made or reached.
    virtual bool open(Why& why) = 0;
    // The folder, as the report names it: a path, or the site's address for it.
    virtual std::string where() const = 0;
    // What stands at a name; false, with the reason, when it cannot be asked or passes through a link.
    virtual bool look(const std::string& name, Entry& entry, Why& why) = 0;
    // The bytes of a file; empty when there is none (or it cannot be had).
    virtual QByteArray read(const std::string& name) = 0;
    // A new file, its folders made: written where nothing is (or the same bytes already are), never
    // over another file. False, with the reason, when it is not.
    virtual bool write(const std::string& name, const QByteArray& bytes, Why& why) = 0;
    // The file at a name, whatever stood there before (a list the folder keeps of itself).
    virtual bool replace(const std::string& name, const QByteArray& bytes, Why& why) = 0;
    // The largest file write() takes; 0 when there is no limit but the source's.
    virtual std::int64_t largestFile() const { return 0; }
};

} // namespace kestrel
