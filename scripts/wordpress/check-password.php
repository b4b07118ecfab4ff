<?php
// Says whether WordPress lets a user log in with a password: prints "yes" or
// "no", as wp_check_password judges the password against the stored hash.
//   WP_ROOT=... WP_DB_HOST=host:port WP_DB_NAME=... WP_TABLE_PREFIX=... php check-password.php LOGIN PASSWORD
// Exits non-zero when there is no such user or WordPress cannot load.
if ($argc !== 3) {
    fwrite(STDERR, "usage: check-password.php LOGIN PASSWORD\n");
    exit(2);
}
require __DIR__ . '/load.php';

$user = get_user_by('login', $argv[1]);
if (!$user) {
    script_fail("no user with the login {$argv[1]}");
}
echo wp_check_password($argv[2], $user->user_pass, $user->ID) ? 'yes' : 'no', "\n";
