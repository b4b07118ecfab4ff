<?php
// Whether this site receives a blog now, and what the last run wrote. Receiving is on only for an
// hour after an administrator switched it on: a forgotten switch does not leave the door open.

if (!defined('ABSPATH')) {
    exit;
}

define('KESTREL_RECEIVER_HOUR', HOUR_IN_SECONDS);

/** The time receiving ends, or 0 when it is off. */
function kestrel_receiver_until()
{
    $until = (int) get_option('kestrel_receiver_until', 0);
    return $until > time() ? $until : 0;
}

function kestrel_receiver_switch($on)
{
    update_option('kestrel_receiver_until', $on ? time() + KESTREL_RECEIVER_HOUR : 0, false);
    if ($on) {
        update_option('kestrel_receiver_written', array(), false);
    }
}

/** Rows written since receiving was switched on, by kind ("posts", "comments", ...). */
function kestrel_receiver_written()
{
    $written = get_option('kestrel_receiver_written', array());
    return is_array($written) ? $written : array();
}

function kestrel_receiver_count_written(array $by_kind)
{
    global $wpdb;
    if (empty($by_kind)) {
        return;
    }
    // Kestrel sends its next request while the site carries out one before: two may end at once, and
    // neither count may be lost between reading and writing.
    $lock = 'kestrel_written_' . md5(DB_NAME . '.' . $wpdb->prefix);
    $locked = $wpdb->get_var($wpdb->prepare('SELECT GET_LOCK(%s, 10)', $lock)) === '1';
    wp_cache_delete('kestrel_receiver_written', 'options');
    $written = kestrel_receiver_written();
    foreach ($by_kind as $kind => $rows) {
        $written[$kind] = (isset($written[$kind]) ? (int) $written[$kind] : 0) + (int) $rows;
    }
    update_option('kestrel_receiver_written', $written, false);
    if ($locked) {
        $wpdb->query($wpdb->prepare('SELECT RELEASE_LOCK(%s)', $lock));
    }
}
