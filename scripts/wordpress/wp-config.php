<?php
// Our own configuration for the WordPress files taken from Debian's package.
// Everything comes from the environment, so one copy of WordPress serves
// every database and table prefix the tests and the local sample ask for.
define('DB_NAME', getenv('WP_DB_NAME') ?: 'wordpress');
define('DB_USER', getenv('WP_DB_USER') ?: 'root');
// The password may come in a file, so that it is in no process's command line.
define('DB_PASSWORD', getenv('WP_DB_PASSWORD_FILE') ? trim(file_get_contents(getenv('WP_DB_PASSWORD_FILE')))
    : (getenv('WP_DB_PASSWORD') ?: ''));
define('DB_HOST', getenv('WP_DB_HOST') ?: '127.0.0.1');
// A site whose connection speaks another character set (WP_DB_CHARSET=gbk), as some older sites' do.
define('DB_CHARSET', getenv('WP_DB_CHARSET') ?: 'utf8mb4');
define('DB_COLLATE', '');
$table_prefix = getenv('WP_TABLE_PREFIX') !== false ? getenv('WP_TABLE_PREFIX') : 'wp_';

// Served on an address of the caller's choosing (php -S), WordPress must not send visitors elsewhere.
if (getenv('WP_HOME')) {
    define('WP_HOME', getenv('WP_HOME'));
    define('WP_SITEURL', getenv('WP_HOME'));
}

// Served over HTTPS by a TLS relay in front of PHP's own server (as on hosts whose proxy ends TLS):
// WordPress must know its visitors came encrypted, or it offers no application passwords.
if (getenv('WP_BEHIND_TLS')) {
    $_SERVER['HTTPS'] = 'on';
}

define('WP_CONTENT_DIR', __DIR__ . '/wp-content');
// The redirect plugin is loaded from the project's own folder, so that a test runs the plugin as it is now.
if (getenv('WP_PLUGIN_DIR')) {
    define('WP_PLUGIN_DIR', getenv('WP_PLUGIN_DIR'));
}
// Tests turn debugging on to catch every PHP warning, notice and deprecation in a log file of theirs.
if (getenv('WP_DEBUG')) {
    define('WP_DEBUG', true);
    define('WP_DEBUG_DISPLAY', false);
    define('WP_DEBUG_LOG', getenv('WP_DEBUG_LOG') ?: true);
}
define('AUTOMATIC_UPDATER_DISABLED', true);
define('WP_HTTP_BLOCK_EXTERNAL', true);
define('DISABLE_WP_CRON', true);

if (!defined('ABSPATH')) {
    define('ABSPATH', __DIR__ . '/');
}
// Tests may add hooks of their own as WordPress loads, before any plugin (the receiver answers some
// requests once the plugins are loaded): hooks given before WordPress, in the form it takes them.
if (getenv('WP_TEST_HOOKS')) {
    $GLOBALS['wp_filter']['muplugins_loaded'][10][] = array(
        'function' => function () {
            require getenv('WP_TEST_HOOKS');
        },
        'accepted_args' => 0,
    );
}
require_once ABSPATH . 'wp-settings.php';
