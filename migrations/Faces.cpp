#include "Attachments.h"
#include "CopiedFiles.h"
#include "FaceSources.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "Origins.h"
#include "PhpValue.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "SiteSettings.h"
#include "Slugs.h"
#include "Terms.h"
#include "Themes.h"
#include "Users.h"

#include <map>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::faces);

// An attachment a face became, in this run or an earlier one.
struct Made
{
    std::int64_t id = 0;
    std::optional<RowWriter::Ticket> ticket; // written in this run
};

std::string lastPiece(std::string_view reference)
{
    const auto slash = reference.find_last_of('/');
    return std::string(slash == std::string_view::npos ? reference : reference.substr(slash + 1));
}

// Where a face's file is when it was not copied: the old blog's address of it.
std::string oldAddress(MigrationRun& run, std::string_view reference)
{
    if (reference.rfind("http://", 0) == 0 || reference.rfind("https://", 0) == 0)
        return std::string(reference);
    while (reference.rfind("../", 0) == 0)
        reference.remove_prefix(3);
    while (reference.rfind('/', 0) == 0)
        reference.remove_prefix(1);
    return emlogBlogUrl(*run.source) + "/" + std::string(reference);
}

// The attachment of a face's file: the member's own for a photo, the administrator's otherwise.
RowWrite attachmentWrite(MigrationRun& run, const Face& face, std::int64_t id, std::int64_t author, TakenSlugs& slugs)
{
    const std::optional<AttachmentFile> file = run.files ? run.files->attachment(face.reference, false) : std::nullopt;
    const std::string name = lastPiece(face.reference);
    const std::string slug = uniqueSlug(wordPressSlug(name), std::to_string(id), slugs);
    RowValues fields =
        postValues(run, attachmentPost(id, 0, author, name, file ? file->url : oldAddress(run, face.reference), slug,
                                       file ? file->mimeType : ""));
    // emlog kept no time for these files: they arrive when the run made them.
    addUploadTimes(run, fields, run.now());
    RowWrite write;
    write.sourceId = faceSourceId(face);
    write.rows.push_back({"posts", std::move(fields)});
    write.rows.push_back({"postmeta", originMeta(*face.origin, id, face.emlogId), true});
    if (file) {
        write.rows.push_back({"postmeta", ownerMeta(*face.origin, id, "_wp_attached_file", file->attachedFile)});
        write.rows.push_back({"postmeta", ownerMeta(*face.origin, id, "_wp_attachment_metadata", file->metadata)});
    }
    return write;
}

// The theme's logo: a block theme's site logo, a classic theme's custom_logo where it has one.
void placeLogo(MigrationRun& run, SettingsRecord& record, std::int64_t logo)
{
    std::optional<std::string> theme;
    std::optional<std::string> stylesheet;
    if (!readWordPressOption(run, "template", theme) || !readWordPressOption(run, "stylesheet", stylesheet)) {
        unreadableWordPress(run, migration, "options", "template");
        return;
    }
    const std::string value = std::to_string(logo);
    const std::string name = theme.value_or("");
    if (isBlockTheme(name)) {
        std::optional<std::string> current;
        if (!readWordPressOption(run, "site_logo", current) || !record.settle(run, "site_logo", current, value, [&] {
                return setWordPressOption(run, "site_logo", value);
            }))
            recordFailure(run, migration, run.wordPressTable("options"), "site_logo");
        return;
    }
    const ClassicTheme* classic = classicTheme(name);
    if (!classic || !classic->customLogo) {
        run.failures.note({FailureLog::Note::What::LogoNotPlaced, name, {}});
        return;
    }
    const std::string option = "theme_mods_" + stylesheet.value_or(name);
    std::optional<std::string> stored;
    if (!readWordPressOption(run, option, stored)) {
        unreadableWordPress(run, migration, "options", option);
        return;
    }
    std::optional<PhpValue> mods = stored && !stored->empty() ? PhpValue::parse(*stored) : PhpValue::array();
    if (!mods || !mods->isArray()) {
        // Theme settings the run cannot read back whole are not rewritten.
        run.failures.note({FailureLog::Note::What::LogoNotPlaced, name, {}});
        return;
    }
    const PhpValue* current = mods->find("custom_logo");
    const bool settled =
        record.settle(run, "custom_logo", current ? std::optional(current->text()) : std::nullopt, value, [&] {
            mods->at("custom_logo") = PhpValue::integer(logo);
            return setWordPressOption(run, option, mods->serialized());
        });
    if (!settled)
        recordFailure(run, migration, run.wordPressTable("options"), option);
}

// The site's icon and the theme's logo are the template's, as settings are: kept with WordPress's
// own when the run keeps them, and named in the report when changed.
void placeTemplateImages(MigrationRun& run, std::optional<std::int64_t> logo, std::optional<std::int64_t> favicon)
{
    if (!logo && !favicon)
        return;
    SettingsRecord record;
    if (!record.read(run)) {
        unreadableWordPress(run, migration, "options", "kestrel_settings");
        return;
    }
    if (favicon) {
        const std::string value = std::to_string(*favicon);
        std::optional<std::string> current;
        if (!readWordPressOption(run, "site_icon", current) || !record.settle(run, "site_icon", current, value, [&] {
                return setWordPressOption(run, "site_icon", value);
            }))
            recordFailure(run, migration, run.wordPressTable("options"), "site_icon");
    }
    if (logo)
        placeLogo(run, record, *logo);
    if (!record.save(run))
        recordFailure(run, migration, run.wordPressTable("options"), "kestrel_settings");
}

} // namespace

void migrateFaces(MigrationRun& run)
{
    run.tell({RunEvent::What::Reading, Kind::faces});
    const std::vector<Face> faces = readFaces(*run.source);
    if (faces.empty())
        return;
    if (!readCopies(run, migration, {&origin::photo, &origin::avatar, &origin::templateImage}) ||
        !run.state.readPostNames(run, migration))
        return;
    const Authors* authors = authorsOf(run, migration);
    const std::optional<std::int64_t> largestPost = largestId(run, "posts", "ID");
    if (!authors || !largestPost) {
        if (!largestPost)
            unreadableWordPress(run, migration, "posts", "largest ID");
        return;
    }
    // After every post and every emlog article still to come, as the attachments.
    FreeIds free(*largestPost, [&run] { return largestEmlogId(run, "blog", "gid"); });
    TakenSlugs& slugs = run.state.postNames();

    // Faces showing one file share its attachment: by the file's new address, or as emlog wrote it.
    const auto fileKey = [&run](const Face& face) {
        const auto copied = run.files ? run.files->newAddress(face.reference) : std::nullopt;
        return copied.value_or(face.reference);
    };
    std::map<std::string, Made> made;
    for (const Face& face : faces) {
        if (const auto copy = run.state.copies(*face.origin).find(face.emlogId))
            made.emplace(fileKey(face), Made{copy->id, std::nullopt});
    }

    RowWriter writer(run, run.state, migration);
    std::optional<Made> logo;
    std::optional<Made> favicon;
    std::int64_t done = 0;
    for (const Face& face : faces) {
        run.tell({RunEvent::What::Row, Kind::faces, ++done, static_cast<std::int64_t>(faces.size())});
        if (run.stopRequested())
            break;
        const auto copy = run.state.copies(*face.origin).find(face.emlogId);
        Made attachment;
        if (copy) {
            writer.alreadyThere();
            attachment = {copy->id, std::nullopt};
        } else if (const auto shared = made.find(fileKey(face)); shared != made.end()) {
            // Another face's file: this one names that attachment too.
            attachment = shared->second;
            RowWrite write;
            write.sourceId = faceSourceId(face);
            write.rows.push_back({"postmeta", originMeta(*face.origin, attachment.id, face.emlogId), true});
            if (attachment.ticket)
                write.after = RowWrite::After{*attachment.ticket, {Why::Code::sameFileNotCopied}};
            write.copied = RowWrite::Copied{face.origin, face.emlogId, {attachment.id, attachment.id}};
            writer.write(std::move(write));
        } else {
            const std::int64_t id = free.take();
            const std::int64_t member = face.role == Face::Role::photo ? authors->userOf(face.emlogId) : 0;
            RowWrite write = attachmentWrite(run, face, id, member != 0 ? member : authors->administrator, slugs);
            write.copied = RowWrite::Copied{face.origin, face.emlogId, {id, id}};
            attachment = {id, writer.write(std::move(write))};
            made.emplace(fileKey(face), attachment);
        }
        if (face.role == Face::Role::logo)
            logo = attachment;
        else if (face.role == Face::Role::favicon)
            favicon = attachment;
    }
    writer.finish();
    if (run.stopRequested())
        return;
    const auto arrived = [&writer](const std::optional<Made>& face) -> std::optional<std::int64_t> {
        if (!face || (face->ticket && writer.state(*face->ticket) != RowWriter::State::Arrived))
            return std::nullopt;
        return face->id;
    };
    placeTemplateImages(run, arrived(logo), arrived(favicon));
}

} // namespace kestrel
