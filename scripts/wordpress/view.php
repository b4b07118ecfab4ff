<?php
// Prints, as one JSON object, what WordPress itself makes of a database:
// posts, comments, attachments, categories, tags and links, read through
// WordPress's own API so that the tests see what a visitor of the blog would.
//   WP_ROOT=... WP_DB_HOST=host:port WP_DB_NAME=... WP_TABLE_PREFIX=... php view.php
// Exits non-zero, with a message on stderr, when WordPress cannot load.
$_SERVER['HTTP_HOST'] = getenv('WP_HTTP_HOST') ?: '127.0.0.1:8080';
$_SERVER['REQUEST_URI'] = '/';
$_SERVER['SERVER_PROTOCOL'] = 'HTTP/1.1';

function view_fail($message) {
    fwrite(STDERR, "view.php: $message\n");
    exit(1);
}

$root = getenv('WP_ROOT');
if ($root === false || $root === '') {
    view_fail('WP_ROOT is not set');
}
if (!is_file("$root/wp-load.php")) {
    view_fail("no wp-load.php under $root");
}

// WordPress gives up by printing an HTML page and calling die(), which would
// leave us with exit status 0: catch that page and turn it into a failure.
$view_loaded = false;
register_shutdown_function(function () {
    global $view_loaded;
    if ($view_loaded) {
        return;
    }
    $page = '';
    while (ob_get_level() > 0) {
        $page .= ob_get_clean();
    }
    $page = preg_replace('#<(head|style|script)\b.*?</\1>#is', ' ', $page);
    $text = trim(preg_replace('/\s+/', ' ', html_entity_decode(strip_tags($page), ENT_QUOTES, 'UTF-8')));
    if ($text === '' && function_exists('is_blog_installed') && isset($GLOBALS['wpdb'])) {
        // A database without WordPress's tables sends us to the installer, silently.
        global $table_prefix;
        if (!is_blog_installed()) {
            $text = 'WordPress is not installed in ' . DB_NAME . " with prefix $table_prefix";
        }
    }
    $error = error_get_last();
    if ($text === '' && $error) {
        $text = $error['message'];
    }
    fwrite(STDERR, 'view.php: WordPress did not load' . ($text !== '' ? ": $text" : '') . "\n");
    exit(1);
});

ob_start();
require "$root/wp-load.php";
// wp-settings.php already stops at a database without WordPress; say so plainly if it ever does not.
if (!is_blog_installed()) {
    ob_end_clean();
    fwrite(STDERR, 'view.php: WordPress is not installed in ' . DB_NAME . " with prefix $table_prefix\n");
    $view_loaded = true;
    exit(1);
}
$noise = ob_get_clean();
$view_loaded = true;
if (trim($noise) !== '') {
    fwrite(STDERR, $noise);
}

function view_names($terms) {
    if (!is_array($terms)) {
        return [];
    }
    $names = array_map(function ($term) { return $term->name; }, $terms);
    sort($names, SORT_STRING);
    return $names;
}

// The emlog id a copied row names in its meta, '' for a row of WordPress's own.
function view_origin($type, $id, $key) {
    return (string) get_metadata($type, $id, $key, true);
}

function view_term($term, $with_parent) {
    $row = [
        'term_id' => (int) $term->term_id,
        'origin' => view_origin('term', $term->term_id, $term->taxonomy === 'category' ? '_emlog_sid' : '_emlog_tid'),
        'name' => $term->name,
        'slug' => $term->slug,
    ];
    if ($with_parent) {
        $row['parent'] = (int) $term->parent;
    }
    $row['count'] = (int) $term->count;
    return $row;
}

$view = [];

$view['posts'] = [];
$posts = get_posts([
    'post_type' => ['post', 'page'],
    'post_status' => ['any', 'draft', 'private', 'publish'],
    'numberposts' => -1,
    'suppress_filters' => true,
    'orderby' => 'ID',
    'order' => 'ASC',
]);
foreach ($posts as $post) {
    $categories = get_the_category($post->ID);
    $category_ids = array_map(function ($term) { return (int) $term->term_id; }, $categories);
    sort($category_ids, SORT_NUMERIC);
    $view['posts'][] = [
        'ID' => (int) $post->ID,
        'origin' => view_origin('post', $post->ID, '_emlog_gid'),
        'type' => $post->post_type,
        'status' => $post->post_status,
        'title' => $post->post_title,
        'content' => $post->post_content,
        'date' => $post->post_date,
        'date_gmt' => $post->post_date_gmt,
        'modified' => $post->post_modified,
        'modified_gmt' => $post->post_modified_gmt,
        'password' => $post->post_password,
        'name' => $post->post_name,
        'comment_count' => (int) $post->comment_count,
        'categories' => view_names($categories),
        'category_ids' => $category_ids,
        'tags' => view_names(get_the_tags($post->ID)),
    ];
}

$view['comments'] = [];
$comments = get_comments([
    'status' => 'all',
    'orderby' => 'comment_ID',
    'order' => 'ASC',
]);
foreach ($comments as $comment) {
    $view['comments'][] = [
        'id' => (int) $comment->comment_ID,
        'origin' => view_origin('comment', $comment->comment_ID, '_emlog_cid'),
        'post_id' => (int) $comment->comment_post_ID,
        'parent' => (int) $comment->comment_parent,
        'author' => $comment->comment_author,
        'email' => $comment->comment_author_email,
        'url' => $comment->comment_author_url,
        'ip' => $comment->comment_author_IP,
        'date' => $comment->comment_date,
        'date_gmt' => $comment->comment_date_gmt,
        'approved' => (string) $comment->comment_approved,
        'content' => $comment->comment_content,
    ];
}

$view['attachments'] = [];
$attachments = get_posts([
    'post_type' => 'attachment',
    'post_status' => ['inherit', 'any'],
    'numberposts' => -1,
    'suppress_filters' => true,
    'orderby' => 'ID',
    'order' => 'ASC',
]);
foreach ($attachments as $attachment) {
    $url = wp_get_attachment_url($attachment->ID);
    $view['attachments'][] = [
        'ID' => (int) $attachment->ID,
        'origin' => view_origin('post', $attachment->ID, '_emlog_aid'),
        'parent' => (int) $attachment->post_parent,
        'title' => $attachment->post_title,
        'name' => $attachment->post_name,
        'mime' => $attachment->post_mime_type,
        'url' => $url === false ? null : $url,
        'guid' => $attachment->guid,
    ];
}

// get_categories() as a theme calls it: empty categories are left out,
// except those with a non-empty category below them.
$view['categories'] = array_values(array_map(function ($term) { return view_term($term, true); },
    get_categories()));
$view['all_categories'] = array_values(array_map(function ($term) { return view_term($term, true); },
    get_categories(['hide_empty' => false])));
$view['tags'] = array_values(array_map(function ($term) { return view_term($term, false); },
    get_tags(['hide_empty' => false])));

$view['links'] = [];
foreach (get_bookmarks() as $link) {
    $view['links'][] = [
        'link_id' => (int) $link->link_id,
        'url' => $link->link_url,
        'name' => $link->link_name,
        'description' => $link->link_description,
        'visible' => $link->link_visible,
    ];
}

$json = json_encode($view, JSON_UNESCAPED_UNICODE | JSON_PRETTY_PRINT | JSON_UNESCAPED_SLASHES);
if ($json === false) {
    fwrite(STDERR, 'view.php: cannot encode the result as JSON: ' . json_last_error_msg() . "\n");
    exit(1);
}
echo $json, "\n";
