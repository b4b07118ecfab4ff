<?php
// Tools → Kestrel: switches receiving on for an hour, or off, says what a run needs from this site and how
// to start it, warns of what would stop it (no HTTPS, a host that drops the login), and shows what the last
// run wrote.

if (!defined('ABSPATH')) {
    exit;
}

add_action('admin_menu', 'kestrel_receiver_menu');
add_action('init', 'kestrel_receiver_load_texts');
add_action('wp_ajax_kestrel_receiver_authorization', 'kestrel_receiver_authorization_check');

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

/**
 * Whether the page's own request reached PHP with its Authorization header whole. Some hosts' CGI or
 * FastCGI set-up drops the header, and with it every application password: WordPress then sees no login.
 * Not a REST request, so WordPress does not take the header for an application password itself.
 */
function kestrel_receiver_authorization_check()
{
    check_ajax_referer('kestrel_authorization');
    $user = isset($_SERVER['PHP_AUTH_USER']) ? (string) $_SERVER['PHP_AUTH_USER'] : '';
    wp_send_json(array('passed' => $user === 'kestrel-check'));
}

/** Whether this site's address is this machine, where Kestrel takes plain http. */
function kestrel_receiver_is_local()
{
    $host = strtolower((string) wp_parse_url(home_url(), PHP_URL_HOST));
    return in_array($host, array('localhost', '127.0.0.1', '[::1]', '::1'), true);
}

/** The address Kestrel is given: the site's home, over HTTPS unless it is this machine. */
function kestrel_receiver_address()
{
    return is_ssl() || !kestrel_receiver_is_local() ? home_url('/', 'https') : home_url('/');
}

/** What stops Kestrel before it starts: plain http, and (found by the page's script) a lost login. */
function kestrel_receiver_warnings()
{
    if (!is_ssl()) {
        echo '<div class="notice notice-warning inline" id="kestrel-no-https"><p>',
            esc_html__('这一页是经 http 打开的，不是 HTTPS。WordPress 只在 HTTPS 网站上提供应用程序密码（开发用的本地环境除外），Kestrel 也只把密码发往 https:// 地址（本机除外），以免密码在网上被人读到。请先给网站配好 HTTPS（许多主机的控制面板可以免费申请证书），再用 https:// 地址打开这一页。', 'kestrel-receiver'),
            '</p></div>';
    }
    echo '<div class="notice notice-warning inline" id="kestrel-no-authorization" hidden><p>',
        esc_html__('这个主机没有把登录信息（HTTP 的 Authorization 头）转交给 WordPress，应用程序密码因此无法使用，Kestrel 会被当作没有登录。这是某些主机 CGI/FastCGI 设置的已知问题：请主机商为网站打开 CGIPassAuth，或在网站根目录的 .htaccess 里加上一行：', 'kestrel-receiver'),
        '</p><p><code>SetEnvIf Authorization "(.*)" HTTP_AUTHORIZATION=$1</code></p></div>';
    $check = array(
        'url' => admin_url('admin-ajax.php'),
        'nonce' => wp_create_nonce('kestrel_authorization'),
    );
    // The same request a login with an application password is, with a made-up one: shown only when it
    // came back saying the header was lost, never on a network error.
    echo '<script>(function (check) {',
        'var body = new URLSearchParams({action: "kestrel_receiver_authorization", _ajax_nonce: check.nonce});',
        'fetch(check.url, {method: "POST", credentials: "same-origin", body: body,',
        ' headers: {Authorization: "Basic " + btoa("kestrel-check:kestrel-check")}})',
        '.then(function (answer) { return answer.json(); })',
        '.then(function (answer) { if (answer && answer.passed === false) {',
        ' document.getElementById("kestrel-no-authorization").hidden = false; } })',
        '.catch(function () {});',
        '})(', wp_json_encode($check), ');</script>';
}

/** Once receiving is on: the exact command line and the window's steps that send the blog here. */
function kestrel_receiver_steps()
{
    $address = kestrel_receiver_address();
    $login = wp_get_current_user()->user_login;
    $profile = admin_url('profile.php#application-passwords-section');
    // One option a line, as a shell takes it pasted whole.
    $command = "KESTREL_WP_PASSWORD='" . __('应用程序密码', 'kestrel-receiver') . "' kestrel-cli \\\n"
        . '    --emlog-backup=' . __('emlog的备份.zip', 'kestrel-receiver') . " \\\n"
        . '    --wp-url=' . $address . ' --wp-user=' . $login;
    echo '<h2>', esc_html__('接下来', 'kestrel-receiver'), '</h2><ol id="kestrel-steps">';
    /* translators: %s: the administrator's login */
    echo '<li>', sprintf(esc_html__('在 %1$s 里为你自己（%2$s）新建一个应用程序密码并复制下来：它只显示这一次。它不是登录密码。', 'kestrel-receiver'),
        '<a href="' . esc_url($profile) . '">' . esc_html__('用户 → 个人资料 → 应用程序密码', 'kestrel-receiver') . '</a>',
        '<code>' . esc_html($login) . '</code>'), '</li>';
    echo '<li>', esc_html__('在装有 Kestrel 的电脑上，用窗口：按“WordPress博客信息”右上角的“网站…”，填入', 'kestrel-receiver'),
        ' <code>', esc_html($address), '</code>', esc_html__('；“用户名：”填', 'kestrel-receiver'), ' <code>', esc_html($login),
        '</code>', esc_html__('，“密码：”填应用程序密码；左边填 emlog 的数据库，或按“备份…”选 emlog 的备份文件；按“开始转换”。', 'kestrel-receiver'), '</li>';
    echo '<li>', esc_html__('或者用命令行（emlog 的数据库还连得上时，把 --emlog-backup=… 换成 --emlog-server=… --emlog-database=…）：', 'kestrel-receiver'),
        '<pre id="kestrel-command">', esc_html($command), '</pre></li>';
    echo '</ol>';
}

function kestrel_receiver_page()
{
    if (!current_user_can('manage_options')) {
        return;
    }
    kestrel_receiver_handle_form();
    $until = kestrel_receiver_until();
    echo '<div class="wrap"><h1>', esc_html__('Kestrel 接收', 'kestrel-receiver'), '</h1>';
    kestrel_receiver_warnings();
    if ($until) {
        /* translators: %s: the date and time receiving switches itself off */
        echo '<p id="kestrel-state">', esc_html(sprintf(__('正在接收，直到 %s。', 'kestrel-receiver'), wp_date(get_option('date_format') . ' ' . get_option('time_format'), $until))), '</p>';
    } else {
        echo '<p id="kestrel-state">', esc_html__('未在接收。接收打开后，Kestrel 可以用管理员的应用程序密码把博客写进本站，一小时后自动关闭。', 'kestrel-receiver'), '</p>';
        echo '<p>', sprintf(esc_html__('应用程序密码在 %s 里新建。', 'kestrel-receiver'),
            '<a href="' . esc_url(admin_url('profile.php#application-passwords-section')) . '">' . esc_html__('用户 → 个人资料 → 应用程序密码', 'kestrel-receiver') . '</a>'), '</p>';
    }
    echo '<form method="post">';
    wp_nonce_field('kestrel_receive');
    echo '<button type="submit" class="button button-primary" name="kestrel_receive" value="', $until ? 'off' : 'on', '">',
        $until ? esc_html__('关闭接收', 'kestrel-receiver') : esc_html__('打开接收一小时', 'kestrel-receiver'), '</button>';
    echo '</form>';
    if ($until) {
        kestrel_receiver_steps();
    }
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
