<?php
// Gives a WordPress what a site holds besides a blog, made through WordPress's own API: a menu
// with items, a block template, global styles, a reusable block, a custom post type with rows and
// a custom taxonomy on them. Emptying WordPress first must leave all of it as it is.
//   WP_ROOT=... WP_DB_HOST=... WP_DB_NAME=... WP_TABLE_PREFIX=... php not-the-blog.php
require __DIR__ . '/load.php';

function made($result, $what)
{
    if (is_wp_error($result) || !$result) {
        script_fail("cannot make $what" . (is_wp_error($result) ? ': ' . $result->get_error_message() : ''));
    }
    return $result;
}

register_post_type('kestrel_book', ['public' => true, 'label' => 'Books', 'supports' => ['title', 'editor', 'revisions']]);
register_taxonomy('kestrel_genre', 'kestrel_book', ['public' => true, 'label' => 'Genres']);

$menu = made(wp_create_nav_menu('Main menu'), 'the menu');
made(wp_update_nav_menu_item($menu, 0, ['menu-item-title' => 'Home', 'menu-item-url' => home_url('/'),
                                         'menu-item-status' => 'publish']), 'a menu item');
made(wp_update_nav_menu_item($menu, 0, ['menu-item-title' => 'Elsewhere', 'menu-item-url' => 'https://example.org/',
                                         'menu-item-status' => 'publish']), 'a menu item');

$theme = get_stylesheet();
// Both belong to the theme through the wp_theme taxonomy, as the site editor makes them.
$template = made(wp_insert_post(['post_type' => 'wp_template', 'post_name' => 'single', 'post_title' => 'Single',
                                 'post_status' => 'publish', 'post_content' => '<!-- wp:post-title /-->']),
                 'the template');
$styles = made(wp_insert_post(['post_type' => 'wp_global_styles', 'post_name' => "wp-global-styles-$theme",
                               'post_title' => 'Custom Styles', 'post_status' => 'publish',
                               'post_content' => '{"version": 2, "isGlobalStylesUserThemeJSON": true}']),
               'the global styles');
foreach ([$template, $styles] as $id) {
    made(wp_set_object_terms($id, [$theme], 'wp_theme'), 'the theme\'s term');
}
made(wp_insert_post(['post_type' => 'wp_block', 'post_title' => 'Signature', 'post_status' => 'publish',
                     'post_content' => "<!-- wp:paragraph --><p>— 'me' \\ \"you\"</p><!-- /wp:paragraph -->"]),
     'the reusable block');

$genre = made(wp_insert_term('Poetry', 'kestrel_genre'), 'a genre');
foreach (['Odes', 'Sonnets'] as $title) {
    $book = made(wp_insert_post(['post_type' => 'kestrel_book', 'post_title' => $title, 'post_status' => 'publish',
                                 'post_content' => "$title, a book"]), 'a book');
    made(add_post_meta($book, 'isbn', "978-$book"), 'a book\'s meta');
    made(wp_set_object_terms($book, [(int) $genre['term_id']], 'kestrel_genre'), 'a book\'s genre');
    made(wp_update_post(['ID' => $book, 'post_content' => "$title, a book, revised"]), 'a book\'s revision');
}
made(add_term_meta($genre['term_id'], 'colour', 'blue'), 'a genre\'s meta');
echo "made\n";
