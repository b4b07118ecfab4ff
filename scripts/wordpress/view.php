<?php
// Prints, as one JSON object, what WordPress itself makes of a database:
// posts and pages, comments, attachments, categories, tags, links and users,
// read through WordPress's own API so that the tests see what a visitor of the
// blog (or a user logging in) would.
//   WP_ROOT=... WP_DB_HOST=host:port WP_DB_NAME=... WP_TABLE_PREFIX=... php view.php
// Exits non-zero, with a message on stderr, when WordPress cannot load.
require __DIR__ . '/load.php';

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

// A post's own meta as get_post_meta() gives it, without WordPress's and the run's hidden keys.
function view_meta($id) {
    $meta = [];
    foreach (get_post_meta($id) as $key => $values) {
        if ($key[0] !== '_') {
            $meta[$key] = array_values(array_map('strval', $values));
        }
    }
    ksort($meta, SORT_STRING);
    return $meta;
}

// The posts a query lists for a visitor, as a set of IDs. The front page is
// WordPress's home query; the feed is the main feed's query, both unpaged.
function view_listed($query_vars) {
    $query = new WP_Query($query_vars);
    return array_fill_keys(array_map(function ($post) { return (int) $post->ID; }, $query->posts), true);
}

$view = [];

$on_home = view_listed(['nopaging' => true]);
$in_feed = view_listed(['feed' => 'rss2', 'posts_per_rss' => 1000000]);

$view['posts'] = [];
$posts = get_posts([
    'post_type' => ['post', 'page'],
    'post_status' => ['any', 'draft', 'pending', 'future', 'private', 'publish'],
    'numberposts' => -1,
    'suppress_filters' => true,
    'orderby' => 'ID',
    'order' => 'ASC',
]);
$view['twitter'] = [];
foreach ($posts as $post) {
    // 微语 are listed on their own, with their images and replies.
    $twitter = view_origin('post', $post->ID, '_emlog_twitter_id');
    if ($twitter !== '') {
        $image = get_posts(['post_type' => 'attachment', 'post_parent' => $post->ID, 'numberposts' => -1,
            'post_status' => 'any', 'suppress_filters' => true]);
        $replies = [];
        foreach (get_comments(['post_id' => $post->ID, 'status' => 'all', 'orderby' => 'comment_ID', 'order' => 'ASC']) as $reply) {
            $replies[] = [
                'origin' => view_origin('comment', $reply->comment_ID, '_emlog_reply_id'),
                'author' => $reply->comment_author,
                'content' => $reply->comment_content,
                'approved' => (string) $reply->comment_approved,
                'date' => $reply->comment_date,
                'ip' => $reply->comment_author_IP,
            ];
        }
        $view['twitter'][] = [
            'ID' => (int) $post->ID,
            'origin' => $twitter,
            'status' => $post->post_status,
            'format' => (string) get_post_format($post),
            'author_login' => get_the_author_meta('user_login', $post->post_author),
            'date' => $post->post_date,
            'date_gmt' => $post->post_date_gmt,
            'comment_count' => (int) $post->comment_count,
            'on_home' => isset($on_home[(int) $post->ID]),
            'categories' => view_names(get_the_category($post->ID)),
            'tags' => view_names(get_the_tags($post->ID)),
            'meta' => view_meta($post->ID),
            'images' => array_map(function ($attachment) {
                return ['url' => wp_get_attachment_url($attachment->ID), 'title' => $attachment->post_title];
            }, $image),
            'replies' => $replies,
        ];
        continue;
    }
    $categories = get_the_category($post->ID);
    $category_ids = array_map(function ($term) { return (int) $term->term_id; }, $categories);
    sort($category_ids, SORT_NUMERIC);
    // As a theme's loop sees the post: get_the_author() reads the post set up here.
    $GLOBALS['post'] = $post;
    setup_postdata($post);
    $children = [];
    if ($post->post_type === 'page') {
        $children = array_map('intval', array_keys(get_children(['post_parent' => $post->ID, 'post_type' => 'page'])));
        sort($children, SORT_NUMERIC);
    }
    $view['posts'][] = [
        'ID' => (int) $post->ID,
        'origin' => view_origin('post', $post->ID, '_emlog_gid'),
        'type' => get_post_type($post),
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
        'author' => get_the_author(),
        'author_login' => get_the_author_meta('user_login'),
        'has_excerpt' => has_excerpt($post),
        // Only an excerpt of its own: the one WordPress makes from the content is not the blog's.
        'excerpt' => has_excerpt($post) ? get_the_excerpt($post) : '',
        'sticky' => is_sticky($post->ID),
        'comments_open' => comments_open($post),
        'parent' => (int) $post->post_parent,
        'children' => $children,
        'on_home' => isset($on_home[(int) $post->ID]),
        'in_feed' => isset($in_feed[(int) $post->ID]),
        'meta' => view_meta($post->ID),
    ];
}
wp_reset_postdata();

$view['comments'] = [];
$comments = get_comments([
    'status' => 'all',
    'orderby' => 'comment_ID',
    'order' => 'ASC',
]);
foreach ($comments as $comment) {
    if (view_origin('comment', $comment->comment_ID, '_emlog_reply_id') !== '') {
        continue;
    }
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
        'user_id' => (int) $comment->user_id,
        'agent' => $comment->comment_agent,
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
    // 微语 images are listed with their 微语, and the faces (photos, avatars, the logo and icon) are
    // the site's, not the articles' (media.php shows them as the site does).
    $elsewhere = ['_emlog_twitter_img', '_emlog_photo_uid', '_emlog_avatar_cid', '_emlog_tpl_option_id'];
    if (array_filter($elsewhere, function ($key) use ($attachment) {
        return view_origin('post', $attachment->ID, $key) !== '';
    })) {
        continue;
    }
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
        'date' => $attachment->post_date,
        'date_gmt' => $attachment->post_date_gmt,
        'author_login' => get_the_author_meta('user_login', $attachment->post_author),
    ];
}

// get_categories() as a theme calls it: empty categories are left out,
// except those with a non-empty category below them.
$view['categories'] = array_values(array_map(function ($term) { return view_term($term, true); },
    get_categories()));
// With what a category page shows about the category: category_description() is the
// description as a theme prints it, dressed in HTML.
$view['all_categories'] = array_values(array_map(function ($term) {
    return view_term($term, true) + [
        'description' => $term->description,
        'description_shown' => category_description($term->term_id),
    ];
}, get_categories(['hide_empty' => false])));
$view['tags'] = array_values(array_map(function ($term) {
    return view_term($term, false) + ['description' => $term->description];
}, get_tags(['hide_empty' => false])));

$view['links'] = [];
foreach (get_bookmarks() as $link) {
    $view['links'][] = [
        'link_id' => (int) $link->link_id,
        'url' => $link->link_url,
        'name' => $link->link_name,
        'description' => $link->link_description,
        'visible' => $link->link_visible,
        'image' => $link->link_image,
    ];
}

// Every user, with a role or not (blog_id 0 leaves none out), and what each role lets them do.
$view['users'] = [];
$capabilities = ['manage_options', 'edit_others_posts', 'publish_posts', 'edit_posts', 'read'];
foreach (get_users(['blog_id' => 0, 'orderby' => 'ID', 'order' => 'ASC']) as $user) {
    $can = [];
    foreach ($capabilities as $capability) {
        $can[$capability] = user_can($user, $capability);
    }
    $by_slug = get_user_by('slug', $user->user_nicename);
    $view['users'][] = [
        'ID' => (int) $user->ID,
        'login' => $user->user_login,
        'email' => $user->user_email,
        'pass' => $user->user_pass,
        'display_name' => $user->display_name,
        'nickname' => get_user_meta($user->ID, 'nickname', true),
        'description' => get_user_meta($user->ID, 'description', true),
        'nicename' => $user->user_nicename,
        // The author page's address names the user by nicename: it must lead back to this user.
        'found_by_nicename' => $by_slug !== false && (int) $by_slug->ID === (int) $user->ID,
        'roles' => array_values($user->roles),
        'registered' => $user->user_registered,
        'origin' => view_origin('user', $user->ID, '_emlog_uid'),
        'can' => $can,
    ];
}

// The site's settings a run takes from emlog, as WordPress gives them.
$view['settings'] = [];
foreach (['blogname', 'blogdescription', 'posts_per_page', 'default_comment_status', 'comment_moderation',
          'comment_registration', 'page_comments', 'comments_per_page', 'comment_order', 'show_avatars',
          'posts_per_rss', 'rss_use_excerpt', 'users_can_register'] as $option) {
    $view['settings'][$option] = (string) get_option($option);
}

$json = json_encode($view, JSON_UNESCAPED_UNICODE | JSON_PRETTY_PRINT | JSON_UNESCAPED_SLASHES);
if ($json === false) {
    fwrite(STDERR, 'view.php: cannot encode the result as JSON: ' . json_last_error_msg() . "\n");
    exit(1);
}
echo $json, "\n";
