<?php
// Tools → Kestrel: switches receiving on for an hour, or off, and shows what the last run wrote.

if (!defined('ABSPATH')) {
    exit;
}

add_action('admin_menu', 'kestrel_receiver_menu');
add_action('init', 'kestrel_receiver_load_texts');

function kestrel_receiver_load_texts()
{
    load_plugin_textdomain('kestrel-receiver', false, dirname(plugin_basename(__DIR__)) . '/languages');
}

function kestrel_receiver_menu()
{
    add_management_page(__('Kestrel 接收', 'kestrel-receiver'), 'Kestrel', 'manage_options', 'kestrel', 'kestrel_receiver_page');
}

/** Turns the switch as the page's form asked, after WordPress's own nonce says the form is this site's. */
function kestrel_receiver_handle_form()
{
    if (!isset($_POST['kestrel_receive']) || !current_user_can('manage_options')) {
        return;
    }
    check_admin_referer('kestrel_receive');
    kestrel_receiver_switch(sanitize_key(wp_unslash($_POST['kestrel_receive'])) === 'on');
}

function kestrel_receiver_kind_label($table)
{
    $labels = array(
        'posts' => __('文章、页面与附件', 'kestrel-receiver'),
        'postmeta' => __('文章的附加信息', 'kestrel-receiver'),
        'comments' => __('评论', 'kestrel-receiver'),
        'commentmeta' => __('评论的附加信息', 'kestrel-receiver'),
        'terms' => __('分类与标签', 'kestrel-receiver'),
        'term_taxonomy' => __('分类与标签的归属', 'kestrel-receiver'),
        'term_relationships' => __('文章的分类与标签', 'kestrel-receiver'),
        'termmeta' => __('分类与标签的附加信息', 'kestrel-receiver'),
        'links' => __('链接', 'kestrel-receiver'),
        'users' => __('用户', 'kestrel-receiver'),
        'usermeta' => __('用户的附加信息', 'kestrel-receiver'),
        'options' => __('设置', 'kestrel-receiver'),
    );
    return isset($labels[$table]) ? $labels[$table] : $table;
}

function kestrel_receiver_page()
{
    if (!current_user_can('manage_options')) {
        return;
    }
    kestrel_receiver_handle_form();
    $until = kestrel_receiver_until();
    echo '<div class="wrap"><h1>', esc_html__('Kestrel 接收', 'kestrel-receiver'), '</h1>';
    if ($until) {
        /* translators: %s: the date and time receiving switches itself off */
        echo '<p id="kestrel-state">', esc_html(sprintf(__('正在接收，直到 %s。', 'kestrel-receiver'), wp_date(get_option('date_format') . ' ' . get_option('time_format'), $until))), '</p>';
    } else {
        echo '<p id="kestrel-state">', esc_html__('未在接收。接收打开后，Kestrel 可以用管理员的应用程序密码把博客写进本站，一小时后自动关闭。', 'kestrel-receiver'), '</p>';
    }
    echo '<form method="post">';
    wp_nonce_field('kestrel_receive');
    echo '<button type="submit" class="button button-primary" name="kestrel_receive" value="', $until ? 'off' : 'on', '">',
        $until ? esc_html__('关闭接收', 'kestrel-receiver') : esc_html__('打开接收一小时', 'kestrel-receiver'), '</button>';
    echo '</form>';
    $written = kestrel_receiver_written();
    echo '<h2>', esc_html__('上次写入', 'kestrel-receiver'), '</h2>';
    if (empty($written)) {
        echo '<p>', esc_html__('还没有写入。', 'kestrel-receiver'), '</p>';
    } else {
        echo '<table class="widefat striped" id="kestrel-written"><tbody>';
        foreach ($written as $table => $rows) {
            echo '<tr><td>', esc_html(kestrel_receiver_kind_label($table)), '</td><td>', (int) $rows, '</td></tr>';
        }
        echo '</tbody></table>';
    }
    echo '</div>';
}
