#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Why.h"

namespace kestrel {

// What a run could not carry across, so that no failure is reported as success:
// every refused statement with the row it came from, and per migration how
// many rows were read, written whole, and failed.
class FailureLog
{
public:
    struct Entry
    {
        std::string migration; // a kind's id ("posts") or a step's ("emptying")
        std::string table;
        std::string sourceId; // "gid=5", or empty when the statement belongs to no row
        Why why;
    };
    struct Tally
    {
        std::string migration; // a kind's id
        std::int64_t read = 0;
        std::int64_t written = 0;
        std::int64_t incomplete = 0;   // of those written, rows without a part of them (a link, a field): listed
        std::int64_t alreadyThere = 0; // found in WordPress by its origin and left as it was
        std::int64_t failed = 0;
        bool unreadable = false;          // a table it needs could not be read at all, so it did not run
        bool wordPressUnreadable = false; // that table was WordPress's: what it already holds
    };

    // Something the run changed or left besides rows, for the reader of the report.
    struct Note
    {
        enum class What {
            TimeZoneKept,           // WordPress's zone `first` kept; emlog's was `second`
            TimeZoneSet,            // WordPress's zone `first` became emlog's `second`
            FilesNotCopied,         // no files named: attachments still point at the old blog
            FilesLeftAfterEmptying, // emptying first deleted rows only; copied files stay in `first`
            // Where the blog's new menu shows: the theme `second`'s menu location `first`; or the site's
            // navigation, which block theme `first` shows; or nowhere yet, since location `first` (of
            // `second`) or the site's navigation (block theme `first`) shows another menu, or theme
            // `first` is not one the run knows the places of.
            MenuAtLocation,
            MenuInNavigation,
            MenuLocationTaken,
            MenuNavigationTaken,
            MenuNotPlaced,
            FooterKept,       // the ICP number `first` and the footer text are kept for the plugin to show
            WidgetsInSidebar, // `first` sidebar texts became reusable blocks, shown in the theme's sidebar `second`
            WidgetsAsBlocks,  // `first` sidebar texts became reusable blocks only: theme `second` has no sidebar known
            SettingChanged,   // WordPress's setting `first` was `second` and is now emlog's `third`
            SettingKept,      // WordPress's setting `first` kept as `second`; emlog's is `third`
            HomeMetaKept,     // the home page's title, description and keywords are kept for the plugin to show
            LogoNotPlaced,    // the template's logo is in the media library: theme `first` shows none the run knows of
        };
        What what;
        std::string first;
        std::string second;
        std::string third = {};
    };

    void record(std::string_view migration, std::string_view table, std::string_view sourceId, Why why);
    // A part of a row its migration counted as written that did not arrive (its links, once its text was
    // read again): the row is counted incomplete, once, however many of its parts failed.
    void recordIncomplete(std::string_view migration, std::string_view table, std::string_view sourceId, Why why);
    void note(Note note) { m_notes.push_back(std::move(note)); }
    const std::vector<Note>& notes() const noexcept { return m_notes; }
    // The tally of a migration, made on first use; the reference stays valid.
    Tally& tally(std::string_view migration);

    bool empty() const noexcept { return m_entries.empty(); }
    // Whether a run has anything to report beyond its time: a failure, or a row already there.
    bool worthReporting() const;
    const std::vector<Entry>& entries() const noexcept { return m_entries; }
    const std::deque<Tally>& tallies() const noexcept { return m_tallies; }

    // Whether an entry belongs to a migration with a tally (and not to a step such as emptying).
    bool tallied(const Entry& entry) const;

    // The first `limit` entries, one per line ("[posts] wp_posts gid=5: reason"); `label` names
    // the migrations, by their ids when not given, and `word` an entry's reason, its code's name and
    // detail when not given.
    using Label = std::function<std::string(std::string_view migration)>;
    using Word = std::function<std::string(const Entry& entry)>;
    std::string details(std::size_t limit = 200, const Label& label = {}, const Word& word = {}) const;

private:
    std::vector<Entry> m_entries;
    std::vector<Note> m_notes;
    std::deque<Tally> m_tallies; // a deque: a migration keeps its tally by reference while others are added
};

} // namespace kestrel
