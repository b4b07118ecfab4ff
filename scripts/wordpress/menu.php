<?php
// The site's menus, sidebars and footer through WordPress's own API, and the theme and settings a
// test starts from. Environment as for view.php.
//   php menu.php theme NAME     switches to the theme, as the admin's Themes screen does
//   php menu.php own            gives the site things of its own a run must leave: a menu in the
//                               theme's first location, a navigation, a widget and a reusable block
//   php menu.php view           prints JSON: menus with their items, the theme's locations, the
//                               navigations, the first sidebar's widgets, the reusable blocks, and the
//                               emlog ids of the copied categories and pages
require __DIR__ . '/load.php';

$command = $argv[1] ?? 'view';
if ($command === 'theme') {
    switch_theme($argv[2]);
    echo json_encode(['theme' => get_stylesheet(), 'block' => wp_is_block_theme()]), "\n";
    exit(0);
}

if ($command === 'own') {
    $menu = wp_create_nav_menu('站点菜单');
    wp_update_nav_menu_item($menu, 0, ['menu-item-title' => '站点自己的', 'menu-item-url' => home_url('/own/'),
        'menu-item-status' => 'publish', 'menu-item-type' => 'custom']);
    $locations = array_keys(get_registered_nav_menus());
    if ($locations) {
        set_theme_mod('nav_menu_locations', [$locations[0] => $menu]);
    }
    wp_insert_post(['post_type' => 'wp_navigation', 'post_status' => 'publish', 'post_title' => '站点导航',
        'post_content' => '<!-- wp:navigation-link {"label":"站点自己的","url":"' . home_url('/own/') .
            '","kind":"custom","isTopLevelLink":true} /-->']);
    wp_insert_post(['post_type' => 'wp_block', 'post_status' => 'publish', 'post_title' => '站点的区块',
        'post_content' => '<!-- wp:paragraph --><p>站点自己的区块</p><!-- /wp:paragraph -->']);
    $blocks = get_option('widget_block', []);
    $blocks[90] = ['content' => '<!-- wp:paragraph --><p>站点自己的小工具</p><!-- /wp:paragraph -->'];
    update_option('widget_block', $blocks);
    $sidebars = wp_get_sidebars_widgets();
    $first = array_keys($GLOBALS['wp_registered_sidebars'])[0] ?? 'sidebar-1';
    $sidebars[$first] = ['block-90'];
    wp_set_sidebars_widgets($sidebars);
    echo "{}\n";
    exit(0);
}

$items_of = function ($menu) {
    $items = [];
    $navi_of = [];
    foreach (wp_get_nav_menu_items($menu) as $item) {
        $navi_of[$item->db_id] = (string) get_post_meta($item->db_id, '_emlog_navi', true);
    }
    foreach (wp_get_nav_menu_items($menu) as $item) {
        $items[] = [
            'navi' => $navi_of[$item->db_id],
            'parent' => $item->menu_item_parent ? ($navi_of[$item->menu_item_parent] ?? '?') : '',
            'title' => $item->title,
            'url' => $item->url,
            'target' => $item->target,
            'type' => $item->type,
            'object' => $item->object,
            'object_id' => (int) $item->object_id,
        ];
    }
    return $items;
};

$view = ['menus' => [], 'locations' => (object) get_nav_menu_locations(), 'navigations' => [],
    'categories' => new stdClass(), 'pages' => new stdClass(), 'home' => home_url(), 'login' => wp_login_url(),
    'blocks' => []];
foreach (wp_get_nav_menus() as $menu) {
    $view['menus'][] = ['id' => $menu->term_id, 'name' => $menu->name,
        'emlog' => get_term_meta($menu->term_id, '_emlog_menu', true) !== '', 'items' => $items_of($menu)];
}
foreach (get_posts(['post_type' => 'wp_navigation', 'numberposts' => -1, 'orderby' => 'ID', 'order' => 'ASC']) as $post) {
    $view['navigations'][] = ['title' => $post->post_title,
        'emlog' => get_post_meta($post->ID, '_emlog_navigation_block', true) !== '',
        'blocks' => array_values(array_filter(array_map(function ($block) { return $block['blockName']; },
            parse_blocks($post->post_content))))];
}
foreach (get_terms(['taxonomy' => 'category', 'hide_empty' => false]) as $term) {
    $sid = (string) get_term_meta($term->term_id, '_emlog_sid', true);
    if ($sid !== '') {
        $view['categories']->$sid = $term->term_id;
    }
}
foreach (get_posts(['post_type' => 'page', 'numberposts' => -1, 'post_status' => 'any']) as $page) {
    $gid = (string) get_post_meta($page->ID, '_emlog_gid', true);
    if ($gid !== '') {
        $view['pages']->$gid = $page->ID;
    }
}
foreach (get_posts(['post_type' => 'wp_block', 'numberposts' => -1, 'orderby' => 'ID', 'order' => 'ASC']) as $post) {
    $view['blocks'][] = ['title' => $post->post_title,
        'widget' => (string) get_post_meta($post->ID, '_emlog_widget', true)];
}
$first = array_keys($GLOBALS['wp_registered_sidebars'])[0] ?? '';
$view['sidebar'] = ['id' => $first, 'widgets' => array_values(wp_get_sidebars_widgets()[$first] ?? [])];
echo json_encode($view, JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES | JSON_PRETTY_PRINT), "\n";
