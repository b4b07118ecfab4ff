<?php
// Prepares a WordPress for Kestrel's runs through its Kestrel Receiver plugin, through WordPress's own API:
//   WP_ROOT=... WP_DB_HOST=... WP_DB_NAME=... WP_TABLE_PREFIX=... \
//       php receiver.php on|off|expired|absent [LOGIN [ROLE]]
//       php receiver.php page [on|off]
// activates the plugin and switches receiving on (for an hour), off, or on an hour and a second ago;
// absent deactivates the plugin instead; page prints Tools -> Kestrel as the first administrator sees it,
// after pressing its button to switch receiving on or off when told, with the form's own nonce;
// with LOGIN (made with ROLE when missing, "administrator" unless told) prints a new application password
// of that user. Then prints "written TABLE=ROWS ..." as the plugin counts them.
$home = getenv('WP_HOME') ?: 'http://127.0.0.1:8080';
$_SERVER['HTTP_HOST'] = parse_url($home, PHP_URL_HOST) . (parse_url($home, PHP_URL_PORT) ? ':' . parse_url($home, PHP_URL_PORT) : '');
$_SERVER['REQUEST_URI'] = '/';
$_SERVER['SERVER_PROTOCOL'] = 'HTTP/1.1';

function receiver_fail($message)
{
    fwrite(STDERR, "receiver.php: $message\n");
    exit(1);
}

if ($argc < 2) {
    receiver_fail('usage: receiver.php on|off|expired|absent [LOGIN [ROLE]]');
}
require getenv('WP_ROOT') . '/wp-load.php';
require_once ABSPATH . 'wp-admin/includes/plugin.php';

$plugin = 'kestrel-receiver/kestrel-receiver.php';
if ($argv[1] === 'absent') {
    deactivate_plugins($plugin);
} else {
    $result = activate_plugin($plugin);
    if (is_wp_error($result)) {
        receiver_fail('cannot activate the plugin: ' . $result->get_error_message());
    }
}
switch ($argv[1]) {
    case 'absent':
        break;
    case 'page':
        require_once ABSPATH . 'wp-admin/includes/admin.php';
        wp_set_current_user(1);
        if ($argc > 2) {
            $_SERVER['REQUEST_METHOD'] = 'POST';
            $_POST['kestrel_receive'] = $_REQUEST['kestrel_receive'] = $argv[2];
            $_POST['_wpnonce'] = $_REQUEST['_wpnonce'] = wp_create_nonce('kestrel_receive');
        }
        kestrel_receiver_page();
        exit;
    case 'on':
        kestrel_receiver_switch(true);
        break;
    case 'off':
        kestrel_receiver_switch(false);
        break;
    case 'expired':
        kestrel_receiver_switch(true);
        update_option('kestrel_receiver_until', time() - 1, false);
        break;
    default:
        receiver_fail("unknown state {$argv[1]}");
}
if ($argc > 2) {
    $login = $argv[2];
    $user = get_user_by('login', $login);
    if (!$user) {
        $id = wp_insert_user(array('user_login' => $login, 'user_pass' => wp_generate_password(), 'role' => $argc > 3 ? $argv[3] : 'administrator', 'user_email' => "$login@example.com"));
        if (is_wp_error($id)) {
            receiver_fail('cannot make the user: ' . $id->get_error_message());
        }
        $user = get_user_by('id', $id);
    }
    $made = WP_Application_Passwords::create_new_application_password($user->ID, array('name' => 'kestrel ' . wp_generate_password(6, false)));
    if (is_wp_error($made)) {
        receiver_fail('cannot make an application password: ' . $made->get_error_message());
    }
    echo $made[0], "\n";
}
$written = array();
foreach (function_exists('kestrel_receiver_written') ? kestrel_receiver_written() : array() as $table => $rows) {
    $written[] = "$table=$rows";
}
echo 'written ', implode(' ', $written), "\n";
