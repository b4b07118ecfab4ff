<?php
// For pictures of the plugins' pages only (scripts/screenshot.sh, as WP_TEST_HOOKS): every request
// is the first administrator's, as if logged in, and both of Kestrel's plugins are active, without
// anything written to the site's options.
function wp_validate_auth_cookie($cookie = '', $scheme = '')
{
    return 1;
}

add_filter('option_active_plugins', function ($plugins) {
    return array_values(array_unique(array_merge((array) $plugins, array(
        'kestrel-receiver/kestrel-receiver.php',
        'kestrel-redirects/kestrel-redirects.php',
    ))));
});
