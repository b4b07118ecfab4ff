<?php
// Finds the WordPress page an emlog address names, and gives WordPress's own link to it.
//
// Rows copied from emlog carry their emlog id as meta (value: the id in decimal): postmeta
// _emlog_gid on articles and pages, termmeta _emlog_sid on categories, usermeta _emlog_uid on
// users; aliases are kept as postmeta and termmeta _emlog_alias (on attachments, the alias of emlog
// pro's downloads). A copied row may have a new id in WordPress, so an emlog id is only ever looked
// up through this meta.
//
// How the blog wrote its addresses is kept in the option kestrel_addresses: whether a bare /<alias>
// names an article (article_aliases), /N an article by its number (short_addresses), and /<alias> or
// /<parent alias>/<alias> a category (category_addresses). A blog moved before that option was kept
// reads /<word> as an article's alias only, as it always did.

if (!defined('ABSPATH')) {
    exit;
}

/**
 * @param array $address as kestrel_redirects_read_address() gives it
 * @return string|null WordPress's link to the page, or null when the address names nothing here
 */
function kestrel_redirects_target(array $address)
{
    $key = $address['key'];
    $page = $address['page'];
    switch ($address['kind']) {
        case 'article':
            return kestrel_redirects_post_link(kestrel_redirects_post_ids('_emlog_gid', $key));
        case 'article_alias':
            return kestrel_redirects_bare_target($address);
        case 'download':
            return kestrel_redirects_download_link($key);
        case 'category':
            $term_id = kestrel_redirects_is_number($key) ? kestrel_redirects_category_id('_emlog_sid', $key) : 0;
            if (!$term_id) {
                $term_id = kestrel_redirects_category_id('_emlog_alias', $key);
            }
            return $term_id ? kestrel_redirects_paged(get_term_link($term_id, 'category'), $page) : null;
        case 'tag':
            foreach ($address['names'] as $name) {
                $term = get_term_by('name', wp_slash($name), 'post_tag');
                if ($term instanceof WP_Term) {
                    return kestrel_redirects_paged(get_term_link($term), $page);
                }
            }
            return null;
        case 'archive':
            return kestrel_redirects_paged(kestrel_redirects_archive_link($key), $page);
        case 'author':
            $user_id = kestrel_redirects_user_id($key);
            return $user_id ? kestrel_redirects_paged(get_author_posts_url($user_id), $page) : null;
        case 'feed':
            return get_feed_link();
        case 'search':
            return get_search_link(wp_slash($key));
        case 'home':
            return kestrel_redirects_paged(home_url('/'), $page);
    }
    return null;
}

/** What a bare /<word> (or <category>/<word>) names, by the blog's settings: see the note above. */
function kestrel_redirects_bare_target(array $address)
{
    $key = $address['key'];
    $saved = get_option('kestrel_addresses');
    $settings = is_array($saved) ? $saved : null;
    $allows = function ($setting) use ($settings) {
        return $settings === null ? $setting === 'article_aliases' : !empty($settings[$setting]);
    };
    if ($address['page'] < 2) {
        if ($address['parent'] === null && !$address['html'] && kestrel_redirects_is_number($key) &&
            $allows('short_addresses')) {
            $link = kestrel_redirects_post_link(kestrel_redirects_post_ids('_emlog_gid', $key));
            if ($link !== null) {
                return $link;
            }
        }
        if ($allows('article_aliases')) {
            $link = kestrel_redirects_post_link(kestrel_redirects_post_ids('_emlog_alias', $key));
            if ($link !== null) {
                return $link;
            }
        }
    }
    if ($address['html'] || !$allows('category_addresses')) {
        return null;
    }
    $term_id = kestrel_redirects_category_id('_emlog_alias', $key);
    if (!$term_id || !kestrel_redirects_is_under($term_id, $address['parent'])) {
        return null;
    }
    return kestrel_redirects_paged(get_term_link($term_id, 'category'), $address['page']);
}

/** Whether a category's parent has the alias given (none: whatever its parent). */
function kestrel_redirects_is_under($term_id, $parent_alias)
{
    if ($parent_alias === null) {
        return true;
    }
    $term = get_term($term_id, 'category');
    if (!($term instanceof WP_Term) || !$term->parent) {
        return false;
    }
    return (string) get_term_meta($term->parent, '_emlog_alias', true) === $parent_alias;
}

/**
 * The file of the attachment emlog pro's download link named by its alias, where WordPress serves it:
 * only a whole http(s) address, which a file not copied (still named as emlog had it) has not.
 */
function kestrel_redirects_download_link($alias)
{
    global $wpdb;
    $sql = $wpdb->prepare(
        "SELECT p.ID FROM {$wpdb->postmeta} m JOIN {$wpdb->posts} p ON p.ID = m.post_id"
        . " WHERE m.meta_key = %s AND m.meta_value = %s AND p.post_type = 'attachment' ORDER BY p.ID LIMIT 1",
        '_emlog_alias',
        $alias
    );
    $id = (int) $wpdb->get_var($sql);
    $url = $id ? wp_get_attachment_url($id) : false;
    if (!is_string($url) || !in_array(strtolower((string) wp_parse_url($url, PHP_URL_SCHEME)), array('http', 'https'), true)) {
        return null;
    }
    return $url;
}

/** Articles and pages whose meta $key is $value, in id order. */
function kestrel_redirects_post_ids($key, $value)
{
    global $wpdb;
    $sql = $wpdb->prepare(
        "SELECT p.ID FROM {$wpdb->postmeta} m JOIN {$wpdb->posts} p ON p.ID = m.post_id"
        . " WHERE m.meta_key = %s AND m.meta_value = %s AND p.post_type IN ('post', 'page')"
        . ' ORDER BY p.ID LIMIT 10',
        $key,
        $value
    );
    return array_map('intval', $wpdb->get_col($sql));
}

/** The permalink of the first of them that a visitor may see: drafts and private posts stay hidden. */
function kestrel_redirects_post_link(array $ids)
{
    foreach ($ids as $id) {
        if (is_post_publicly_viewable($id)) {
            $link = get_permalink($id);
            return is_string($link) && $link !== '' ? $link : null;
        }
    }
    return null;
}

function kestrel_redirects_category_id($key, $value)
{
    global $wpdb;
    $sql = $wpdb->prepare(
        "SELECT m.term_id FROM {$wpdb->termmeta} m JOIN {$wpdb->term_taxonomy} t ON t.term_id = m.term_id"
        . " WHERE m.meta_key = %s AND m.meta_value = %s AND t.taxonomy = 'category' ORDER BY m.term_id LIMIT 1",
        $key,
        $value
    );
    return (int) $wpdb->get_var($sql);
}

function kestrel_redirects_user_id($uid)
{
    global $wpdb;
    $sql = $wpdb->prepare(
        "SELECT user_id FROM {$wpdb->usermeta} WHERE meta_key = %s AND meta_value = %s ORDER BY user_id LIMIT 1",
        '_emlog_uid',
        $uid
    );
    $user_id = (int) $wpdb->get_var($sql);
    if (!$user_id || !get_userdata($user_id) || !is_user_member_of_blog($user_id)) {
        return 0;
    }
    // An author's address shows the login-based nicename: WordPress itself leads to it (redirect_canonical)
    // only for a user with a published post, so an emlog account that wrote nothing public stays unnamed.
    $published = $wpdb->get_var(
        $wpdb->prepare(
            "SELECT ID FROM {$wpdb->posts} WHERE post_author = %d AND post_status = 'publish' LIMIT 1",
            $user_id
        )
    );
    return $published ? $user_id : 0;
}

/** The month (YYYYMM) or day (YYYYMMDD) archive, when something was published then. */
function kestrel_redirects_archive_link($date)
{
    global $wpdb;
    $year = (int) substr($date, 0, 4);
    $month = (int) substr($date, 4, 2);
    $day = strlen($date) === 8 ? (int) substr($date, 6, 2) : 0;
    $start = new DateTimeImmutable(sprintf('%04d-%02d-%02d 00:00:00', $year, $month, $day ?: 1), new DateTimeZone('UTC'));
    $end = $start->modify($day ? '+1 day' : '+1 month');
    $sql = $wpdb->prepare(
        "SELECT ID FROM {$wpdb->posts} WHERE post_type = 'post' AND post_status = 'publish'"
        . ' AND post_date >= %s AND post_date < %s LIMIT 1',
        $start->format('Y-m-d H:i:s'),
        $end->format('Y-m-d H:i:s')
    );
    if (!$wpdb->get_var($sql)) {
        return null;
    }
    return $day ? get_day_link($year, $month, $day) : get_month_link($year, $month);
}

/** Page $page of a list, as WordPress links it: ".../page/K/" or "...&paged=K". */
function kestrel_redirects_paged($link, $page)
{
    global $wp_rewrite;
    if (!is_string($link) || $link === '') {
        return null;
    }
    if ($page < 2) {
        return $link;
    }
    if (!$wp_rewrite->using_permalinks()) {
        return add_query_arg('paged', $page, $link);
    }
    $parts = explode('?', $link, 2);
    $paged = trailingslashit($parts[0]) . user_trailingslashit($wp_rewrite->pagination_base . '/' . $page, 'paged');
    return isset($parts[1]) ? $paged . '?' . $parts[1] : $paged;
}
