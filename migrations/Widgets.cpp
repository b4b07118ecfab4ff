#include "Widgets.h"
#include "Kinds.h"
#include "LinkTargets.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "Origins.h"
#include "PhpValue.h"
#include "PostRow.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "Themes.h"
#include "Users.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::widgets);
constexpr std::string_view customPrefix = "custom_wg_";

struct SidebarText
{
    std::int64_t number = 0; // N of custom_wg_N
    std::string title;
    std::string content;
};

// emlog's widgets that WordPress has a block for, by emlog's name.
struct BuiltIn
{
    std::string_view name;
    std::string_view block;
};
constexpr BuiltIn builtIns[] = {
    {"calendar", "<!-- wp:calendar /-->"},       {"tag", "<!-- wp:tag-cloud /-->"},
    {"sort", "<!-- wp:categories /-->"},         {"archive", "<!-- wp:archives /-->"},
    {"newcomm", "<!-- wp:latest-comments /-->"}, {"newlog", "<!-- wp:latest-posts /-->"},
    {"search", "<!-- wp:search /-->"},
};

// A title as emlog's template printed it, over the widget: the owner's own text, as it is.
std::string headingBlock(std::string_view title)
{
    if (title.empty())
        return {};
    return "<!-- wp:heading -->\n<h2>" + std::string(title) + "</h2>\n<!-- /wp:heading -->\n";
}

std::string textBlocks(const SidebarText& text)
{
    return headingBlock(text.title) + "<!-- wp:html -->\n" + text.content + "\n<!-- /wp:html -->";
}

std::string stringOf(const PhpValue* value)
{
    return value ? value->text() : std::string();
}

PostRow reusableBlock(MigrationRun& run, std::int64_t id, std::int64_t author, const SidebarText& text)
{
    PostRow post;
    post.id = id;
    post.author = author;
    post.date = run.now();
    post.type = "wp_block";
    post.title = text.title.empty() ? std::string(customPrefix) + std::to_string(text.number) : text.title;
    post.content = textBlocks(text);
    post.commentStatus = "closed";
    post.pingStatus = "closed";
    post.name = "emlog-widget-" + std::to_string(text.number);
    return post;
}

// The classic theme's first sidebar gets a block widget for each new text, in emlog's order, each
// showing its reusable block; when it shows nothing yet, emlog's built-in widgets WordPress also has
// come in their places. A widget of ours whose block is gone (emptied first) leaves it.
// `blocksThere` holds the post ids of every block of the blog's texts now in WordPress.
bool placeInSidebar(MigrationRun& run, std::string_view sidebar, const std::vector<std::string>& order,
                    const std::map<std::int64_t, std::int64_t>& placed, const std::set<std::int64_t>& blocksThere,
                    const PhpValue* titles)
{
    std::optional<std::string> sidebarsOption;
    std::optional<std::string> blocksOption;
    if (!readWordPressOption(run, "sidebars_widgets", sidebarsOption) ||
        !readWordPressOption(run, "widget_block", blocksOption))
        return unreadableWordPress(run, migration, "options", "sidebars_widgets");
    std::optional<PhpValue> sidebars = sidebarsOption ? PhpValue::parse(*sidebarsOption) : PhpValue::array();
    std::optional<PhpValue> blocks = blocksOption ? PhpValue::parse(*blocksOption) : PhpValue::array();
    if (!sidebars || !sidebars->isArray() || !blocks || !blocks->isArray()) {
        // Settings the run cannot read back whole are not rewritten: the texts stay reusable blocks.
        run.failures.record(migration, run.wordPressTable("options"), "sidebars_widgets",
                            {Why::Code::sidebarsUnparsable});
        return false;
    }
    PhpValue& widgets = sidebars->at(sidebar);
    if (!widgets.isArray())
        widgets = PhpValue::array();
    PhpValue kept = PhpValue::array();
    for (const auto& [key, id] : widgets.entries()) {
        const std::string name = id.text();
        const PhpValue* instance = name.rfind("block-", 0) == 0 ? blocks->find(name.substr(6)) : nullptr;
        const PhpValue* block = instance ? instance->find("_emlog_block") : nullptr;
        const PhpValue* text = instance ? instance->find("_emlog_widget") : nullptr;
        // Its block is gone, or a new one is made for its text: the blocks of an emptied WordPress
        // may come back at the same ids.
        if (block && text &&
            (!block->asInteger() || !blocksThere.count(*block->asInteger()) ||
             placed.count(text->asInteger().value_or(-1))))
            continue;
        kept.append(id);
    }
    const bool empty = kept.entries().empty();
    widgets = std::move(kept);
    for (const std::string& name : order) {
        PhpValue instance = PhpValue::array();
        if (const std::optional<std::int64_t> number = customWidgetNumber(name)) {
            const auto block = placed.find(*number);
            if (block == placed.end())
                continue;
            instance.at("content") =
                PhpValue::string("<!-- wp:block {\"ref\":" + std::to_string(block->second) + "} /-->");
            instance.at("_emlog_widget") = PhpValue::string(std::to_string(*number));
            instance.at("_emlog_block") = PhpValue::integer(block->second);
        } else {
            const auto builtIn = std::find_if(std::begin(builtIns), std::end(builtIns),
                                              [&](const BuiltIn& known) { return known.name == name; });
            if (!empty || builtIn == std::end(builtIns))
                continue;
            const std::string title = titles ? stringOf(titles->find(name)) : std::string();
            instance.at("content") =
                PhpValue::string("<!-- wp:group -->\n<div class=\"wp-block-group\">" + headingBlock(title) +
                                 std::string(builtIn->block) + "</div>\n<!-- /wp:group -->");
        }
        const std::int64_t key = std::max<std::int64_t>(blocks->largestIntegerKey() + 1, 2);
        blocks->at(std::to_string(key)) = std::move(instance);
        widgets.append(PhpValue::string("block-" + std::to_string(key)));
    }
    if (!blocks->find("_multiwidget"))
        blocks->at("_multiwidget") = PhpValue::integer(1);
    if (!setWordPressOption(run, "widget_block", blocks->serialized()) ||
        !setWordPressOption(run, "sidebars_widgets", sidebars->serialized())) {
        recordFailure(run, migration, "options", "");
        return false;
    }
    return true;
}

} // namespace

std::optional<std::int64_t> customWidgetNumber(std::string_view name)
{
    if (name.rfind(customPrefix, 0) != 0)
        return std::nullopt;
    const std::string digits(name.substr(customPrefix.size()));
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(digits);
}

std::optional<RefusedValue> valuePastBounds(MigrationRun& run)
{
    // The options migrateWidgets reads; one it cannot read it records itself.
    for (const char* name : {"widgets1", "widget_title", "custom_widget"}) {
        std::optional<std::string> value;
        if (!run.source->option(name, value) || !value || value->empty())
            continue;
        SerializedProblem problem = SerializedProblem::None;
        if (!PhpValue::parse(*value, &problem) &&
            (problem == SerializedProblem::TooDeep || problem == SerializedProblem::TooManyValues))
            return RefusedValue{run.source->tableName("options"), name, problem};
    }
    return std::nullopt;
}

void migrateWidgets(MigrationRun& run)
{
    std::optional<std::string> sidebarOption;
    std::optional<std::string> titlesOption;
    std::optional<std::string> customOption;
    if (!run.source->option("widgets1", sidebarOption) || !run.source->option("widget_title", titlesOption) ||
        !run.source->option("custom_widget", customOption)) {
        unreadableEmlog(run, migration, "options");
        return;
    }
    if (!customOption || customOption->empty())
        return;
    run.tell({RunEvent::What::Reading, Kind::widgets});
    const std::optional<PhpValue> custom = PhpValue::parse(*customOption);
    const std::optional<PhpValue> sidebar = sidebarOption ? PhpValue::parse(*sidebarOption) : std::nullopt;
    const std::optional<PhpValue> titles = titlesOption ? PhpValue::parse(*titlesOption) : std::nullopt;
    if (!custom || !custom->isArray()) {
        run.failures.tally(migration).unreadable = true;
        run.failures.record(migration, run.source->tableName("options"), "custom_widget",
                            {Why::Code::widgetsUnparsable});
        return;
    }
    // emlog's sidebar order first, then the texts it no longer showed: nothing the owner wrote is lost.
    std::vector<std::string> order;
    if (sidebar && sidebar->isArray()) {
        for (const auto& entry : sidebar->entries())
            order.push_back(entry.second.text());
    }
    std::vector<SidebarText> texts;
    std::set<std::int64_t> listed;
    const auto add = [&](const std::string& name) {
        const std::optional<std::int64_t> number = customWidgetNumber(name);
        const PhpValue* widget = custom->find(name);
        if (!number || !widget || !widget->isArray() || !listed.insert(*number).second)
            return;
        texts.push_back({*number, stringOf(widget->find("title")), stringOf(widget->find("content"))});
    };
    for (const std::string& name : order)
        add(name);
    for (const auto& entry : custom->entries())
        add(entry.first);
    if (texts.empty() ||
        !readCopies(run, migration, {&origin::widget, &origin::category, &origin::tag, &origin::article}))
        return;
    // A link to the blog itself leads where its articles are now, as in the articles.
    LinkTargets links(run);
    if (!links.read(migration))
        return;
    for (SidebarText& text : texts)
        text.content = links.rewriteAddress(text.content);
    const Authors* authors = authorsOf(run, migration);
    const std::optional<std::int64_t> largestPost = largestId(run, "posts", "ID");
    if (!authors || !largestPost) {
        if (!largestPost)
            unreadableWordPress(run, migration, "posts", "largest ID");
        return;
    }
    FreeIds free(*largestPost, [&run] { return largestEmlogId(run, "blog", "gid"); });
    const Copies& copies = run.state.copies(origin::widget);
    std::set<std::int64_t> blocksThere;
    copies.forEach([&](std::int64_t, const Copy& copy) { blocksThere.insert(copy.id); });

    RowWriter writer(run, run.state, migration);
    std::vector<std::tuple<RowWriter::Ticket, std::int64_t, std::int64_t>> written; // ticket, N, block
    std::int64_t done = 0;
    for (const SidebarText& text : texts) {
        if (run.stopRequested())
            break;
        run.tell({RunEvent::What::Row, Kind::widgets, ++done, static_cast<std::int64_t>(texts.size())});
        run.pace(run.pacing.widgets);
        if (copies.contains(text.number)) {
            writer.alreadyThere();
            continue;
        }
        const std::int64_t id = free.take();
        RowWrite write;
        write.sourceId = std::string(customPrefix) + std::to_string(text.number);
        write.rows.push_back({"posts", postValues(run, reusableBlock(run, id, authors->administrator, text))});
        write.rows.push_back({"postmeta", originMeta(origin::widget, id, text.number), true});
        write.copied = RowWrite::Copied{&origin::widget, text.number, {id, id}};
        written.emplace_back(writer.write(std::move(write)), text.number, id);
    }
    writer.finish();
    std::map<std::int64_t, std::int64_t> placed;
    for (const auto& [ticket, number, id] : written) {
        if (writer.state(ticket) == RowWriter::State::Arrived) {
            placed.emplace(number, id);
            blocksThere.insert(id);
        }
    }
    if (placed.empty() || run.stopRequested())
        return;
    std::optional<std::string> theme;
    if (!readWordPressOption(run, "template", theme)) {
        unreadableWordPress(run, migration, "options", "template");
        return;
    }
    const std::string count = std::to_string(placed.size());
    const ClassicTheme* classic = classicTheme(theme.value_or(""));
    if (classic && placeInSidebar(run, classic->firstSidebar, order, placed, blocksThere,
                                  titles && titles->isArray() ? &*titles : nullptr))
        run.failures.note({FailureLog::Note::What::WidgetsInSidebar, count, std::string(classic->firstSidebar)});
    else if (!classic)
        run.failures.note({FailureLog::Note::What::WidgetsAsBlocks, count, theme.value_or("")});
}

} // namespace kestrel
