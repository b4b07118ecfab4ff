<?php
// Makes a WordPress database with WordPress's own installer, from php-cli.
// The database named by WP_DB_NAME must exist; WP_TABLE_PREFIX chooses the prefix.
$_SERVER['HTTP_HOST'] = getenv('WP_HTTP_HOST') ?: '127.0.0.1:8080';
$_SERVER['REQUEST_URI'] = '/';
$_SERVER['SERVER_PROTOCOL'] = 'HTTP/1.1';
define('WP_INSTALLING', true);

require getenv('WP_ROOT') . '/wp-load.php';

// No mail server here: the installer's welcome mail is not sent.
function wp_new_blog_notification($blog_title, $blog_url, $user_id, $password) {}

require_once ABSPATH . 'wp-admin/includes/upgrade.php';

if (is_blog_installed()) {
    fwrite(STDERR, "WordPress is already installed in " . DB_NAME . " with prefix $table_prefix\n");
    exit(1);
}
$result = wp_install('Kestrel', 'admin', 'admin@example.com', true, '', 'kestrel-admin');
if (empty($result['user_id'])) {
    fwrite(STDERR, "wp_install failed\n");
    exit(1);
}
echo "installed WordPress in ", DB_NAME, " with prefix ", $table_prefix, "\n";
