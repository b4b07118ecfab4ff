<?php
// Sets how a WordPress answers addresses, through WordPress's own API, and prints WordPress's own
// links to the objects named, as one JSON object keyed by the names as given:
//   WP_ROOT=... WP_DB_HOST=... WP_DB_NAME=... WP_TABLE_PREFIX=... WP_HOME=... \
//       php site.php STRUCTURE on|off [post:ID term:ID author:ID month:YYYY:MM day:YYYY:MM:DD feed search:WORDS ...]
// STRUCTURE is a permalink structure such as /%postname%/, or "plain"; on/off activates or
// deactivates the redirect plugin. Lists show three posts a page, so that the sample's have a page 2.
$home = getenv('WP_HOME') ?: 'http://127.0.0.1:8080';
$_SERVER['HTTP_HOST'] = parse_url($home, PHP_URL_HOST) . (parse_url($home, PHP_URL_PORT) ? ':' . parse_url($home, PHP_URL_PORT) : '');
$_SERVER['REQUEST_URI'] = '/';
$_SERVER['SERVER_PROTOCOL'] = 'HTTP/1.1';

function site_fail($message)
{
    fwrite(STDERR, "site.php: $message\n");
    exit(1);
}

if ($argc < 3) {
    site_fail('usage: site.php STRUCTURE on|off [WHAT ...]');
}
require getenv('WP_ROOT') . '/wp-load.php';
require_once ABSPATH . 'wp-admin/includes/plugin.php';

$plugin = 'kestrel-redirects/kestrel-redirects.php';
if ($argv[2] === 'on') {
    $result = activate_plugin($plugin);
    if (is_wp_error($result)) {
        site_fail('cannot activate the plugin: ' . $result->get_error_message());
    }
} else {
    deactivate_plugins($plugin);
}

global $wp_rewrite;
$wp_rewrite->set_permalink_structure($argv[1] === 'plain' ? '' : $argv[1]);
// Outside the admin, categories and tags were registered without addresses of their own while the
// structure was plain: registered again, they get them, as on the admin's Permalinks screen.
create_initial_taxonomies();
flush_rewrite_rules(false);
update_option('posts_per_page', 3);

$links = [];
foreach (array_slice($argv, 3) as $what) {
    $parts = explode(':', $what, 2);
    $argument = isset($parts[1]) ? $parts[1] : '';
    $numbers = array_map('intval', explode(':', $argument));
    switch ($parts[0]) {
        case 'post':
            $link = get_permalink($numbers[0]);
            break;
        case 'term':
            $link = get_term_link($numbers[0]);
            break;
        case 'author':
            $link = get_author_posts_url($numbers[0]);
            break;
        case 'month':
            $link = get_month_link($numbers[0], $numbers[1]);
            break;
        case 'day':
            $link = get_day_link($numbers[0], $numbers[1], $numbers[2]);
            break;
        case 'feed':
            $link = get_feed_link();
            break;
        case 'search':
            $link = get_search_link($argument);
            break;
        default:
            site_fail("unknown object $what");
    }
    if (!is_string($link) || $link === '') {
        site_fail("WordPress has no link for $what");
    }
    $links[$what] = $link;
}
echo json_encode((object) $links, JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES), "\n";
