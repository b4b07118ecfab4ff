#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace kestrel {

// Why something did not arrive, as the core knows it: a code, what it is about, and the words of a
// server, a library or the system where there are some. The core makes no sentences: run/'s texts word
// each code for the user, and the JSON report keeps the code's name beside those words.
struct Why
{
    enum class Code : std::uint8_t {
        // A statement's fate, with the server's number and words in `detail`.
        serverRefused,
        arrivalUnknown,     // the session was lost before the server said whether the row arrived
        writtenWithChanges, // `detail`: the server's warnings about the values it changed
        emlogUnreadable,    // an emlog table or the backup file could not be read
        wordPressUnreadable,
        // A row that names another the run does not have. `subject`: the other's emlog id.
        articleNotInEmlog,
        articleNotCopied,
        categoryNotCopied,
        tagNotCopied,
        parentNotCopied, // `subject` as "cid=5": the row of the same kind it hangs under
        twitterNotCopied,
        postFormatMissing,
        menuNotMade,
        sameFileNotCopied, // a face: the attachment made for another face of the same file
        // What arrived without a part of it, or an option left as it was. `subject`: the key or option.
        reservedField,
        notScheduled,
        notSticky,
        tagsUnreadable,
        fieldsUnreadable,
        articleGone, // no longer in emlog when its text was read again for its links
        linksNotRewritten,
        sidebarsUnparsable,
        widgetsUnparsable,
        // emlog's backup file. `detail`: where it stops.
        backupTableMissing,
        backupCutStatement,
        backupCutTable,
        backupCutAfter,
        backupPassedOver, // a file read anyway: the rows of a statement too large. `detail`: which statement
        // The blog's files. `subject`: the name, path or address concerned.
        notABlogFile,
        nameEmpty,
        nameHasNul,
        nameHasBackslash,
        nameAbsolute,
        nameLeavesFolder,
        nameIsFolder,
        nameRunnable,
        noUploadsFolder,
        noBlogAddress,
        noSiteAddress,
        filesUnreadable, // the blog's articles and attachments, to find the files they name
        noHost,
        notHttp,
        noSuchFolder,
        onlyUploadFolder,
        noSuchFile,
        outsideBlogFolder,
        tooLarge,            // `subject`: the limit in bytes
        largerThanWordPress, // `subject`: the file's bytes, `detail`: what WordPress takes
        cannotRead,
        cannotMakeFolder,
        throughLink,
        nameTaken,
        unsafeName,
        noFreeName,
        cannotWrite,
        httpStatus,  // `subject`: the status, `detail`: the address
        fetchFailed, // `subject`: the address
        pluginRefused,
    };

    Why() = default;
    Why(Code code, std::string subject = {}, std::string detail = {})
        : code(code), subject(std::move(subject)), detail(std::move(detail))
    {
    }

    Code code = Code::serverRefused;
    std::string subject;
    std::string detail;
};

// The code's ASCII name, as the JSON report gives it: "server-refused".
std::string_view codeName(Why::Code code);

} // namespace kestrel
