<?php
/*
 * The faces of the old blog: a member's photo, which emlog showed for them and beside their comments,
 * and a comment's own avatar (emlog pro). Kestrel copies each into the media library, and the
 * attachment names the emlog row that showed it (_emlog_photo_uid, _emlog_avatar_cid): WordPress's
 * avatars show them instead of Gravatar's.
 */

if (!defined('ABSPATH')) {
    exit;
}

/**
 * The attachment whose origin meta `$key` names the emlog id `$id`; 0 for none.
 */
function kestrel_avatar_by_origin($key, $id)
{
    static $found = array();
    $id = (string) $id;
    if ($id === '' || !ctype_digit($id)) {
        return 0;
    }
    if (!isset($found[$key][$id])) {
        global $wpdb;
        $found[$key][$id] = (int) $wpdb->get_var($wpdb->prepare(
            "SELECT p.ID FROM $wpdb->postmeta m JOIN $wpdb->posts p ON p.ID=m.post_id AND p.post_type='attachment'" .
            " WHERE m.meta_key=%s AND m.meta_value=%s ORDER BY p.ID LIMIT 1",
            $key,
            $id
        ));
    }
    return $found[$key][$id];
}

/**
 * The attachment shown as the avatar of whatever get_avatar() was given: a comment's own, else its
 * member's photo; a user's, a post author's or the user of an e-mail address's photo. 0 for none.
 */
function kestrel_avatar_attachment($id_or_email)
{
    $user_id = 0;
    if ($id_or_email instanceof WP_Comment) {
        $own = kestrel_avatar_by_origin('_emlog_avatar_cid', get_comment_meta($id_or_email->comment_ID, '_emlog_cid', true));
        if ($own) {
            return $own;
        }
        $user_id = (int) $id_or_email->user_id;
    } elseif ($id_or_email instanceof WP_User) {
        $user_id = (int) $id_or_email->ID;
    } elseif ($id_or_email instanceof WP_Post) {
        $user_id = (int) $id_or_email->post_author;
    } elseif (is_numeric($id_or_email)) {
        $user_id = (int) $id_or_email;
    } elseif (is_string($id_or_email) && is_email($id_or_email)) {
        $user = get_user_by('email', $id_or_email);
        $user_id = $user ? (int) $user->ID : 0;
    }
    if ($user_id <= 0) {
        return 0;
    }
    return kestrel_avatar_by_origin('_emlog_photo_uid', get_user_meta($user_id, '_emlog_uid', true));
}

add_filter('pre_get_avatar_data', function ($args, $id_or_email) {
    if (isset($args['url'])) {
        return $args;
    }
    $attachment = kestrel_avatar_attachment($id_or_email);
    $url = $attachment ? wp_get_attachment_url($attachment) : false;
    if ($url) {
        $args['url'] = $url;
        $args['found_avatar'] = true;
    }
    return $args;
}, 10, 2);
