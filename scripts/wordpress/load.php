<?php
// Loads WordPress for one of our command-line scripts, on the database the
// environment names (WP_ROOT, and what wp-config.php reads). When WordPress
// cannot load, the script stops with a message on stderr and a non-zero exit.
$_SERVER['HTTP_HOST'] = getenv('WP_HTTP_HOST') ?: '127.0.0.1:8080';
$_SERVER['REQUEST_URI'] = '/';
$_SERVER['SERVER_PROTOCOL'] = 'HTTP/1.1';

$script_name = basename($_SERVER['argv'][0] ?? 'php');

function script_fail($message) {
    global $script_name;
    fwrite(STDERR, "$script_name: $message\n");
    exit(1);
}

$root = getenv('WP_ROOT');
if ($root === false || $root === '') {
    script_fail('WP_ROOT is not set');
}
if (!is_file("$root/wp-load.php")) {
    script_fail("no wp-load.php under $root");
}

// WordPress gives up by printing an HTML page and calling die(), which would
// leave us with exit status 0: catch that page and turn it into a failure.
$script_loaded = false;
register_shutdown_function(function () {
    global $script_loaded, $script_name;
    if ($script_loaded) {
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
    fwrite(STDERR, "$script_name: WordPress did not load" . ($text !== '' ? ": $text" : '') . "\n");
    exit(1);
});

ob_start();
require "$root/wp-load.php";
// wp-settings.php already stops at a database without WordPress; say so plainly if it ever does not.
if (!is_blog_installed()) {
    ob_end_clean();
    $script_loaded = true;
    script_fail('WordPress is not installed in ' . DB_NAME . " with prefix $table_prefix");
}
$noise = ob_get_clean();
$script_loaded = true;
if (trim($noise) !== '') {
    fwrite(STDERR, $noise);
}
