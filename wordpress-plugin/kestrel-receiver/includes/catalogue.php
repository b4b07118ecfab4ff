<?php
// The reads and changes Kestrel asks of this site by name, each made into the statement Kestrel makes of
// it on a database of its own (wordpress/WordPressQueries.cpp and db/TableQueries.cpp in its source).
// Each takes its parameters (operations.php) and gives its statement.

if (!defined('ABSPATH')) {
    exit;
}

/** A meta table's owner: its table, its id column, and the meta's column naming it. */
function kestrel_receiver_meta_owner($meta)
{
    $owners = array(
        'postmeta' => array('posts', 'ID', 'post_id'),
        'commentmeta' => array('comments', 'comment_ID', 'comment_id'),
        'termmeta' => array('term_taxonomy', 'term_id', 'term_id'),
        'usermeta' => array('users', 'ID', 'user_id'),
    );
    if (!isset($owners[$meta])) {
        kestrel_receiver_refuse('a table that holds no origins');
    }
    return $owners[$meta];
}

/** Meta of one origin key (parameters: its table, its key, its taxonomy) joined to its owner, selecting $what. */
function kestrel_receiver_owned_meta(Kestrel_Receiver_Parameters $p, $what)
{
    global $wpdb;
    $meta_table = $p->table(0, $meta);
    list($owner, $id, $column) = kestrel_receiver_meta_owner($meta);
    $sql = 'SELECT ' . sprintf($what, $column, $meta === 'termmeta' ? 'o.term_taxonomy_id' : "o.$id") . " FROM $meta_table m JOIN "
        . kestrel_receiver_table($owner) . " o ON o.$id=m.$column";
    if ($meta === 'termmeta') {
        $sql .= $wpdb->prepare(' AND o.taxonomy=%s', $p->text(2));
    }
    return $sql . $wpdb->prepare(' WHERE m.meta_key=%s', $p->text(1));
}

/** This site's tables, as the catalogue lists them, for " IN (...)". */
function kestrel_receiver_site_tables()
{
    global $wpdb;
    return kestrel_receiver_in(array_map(function ($bare) use ($wpdb) {
        return $wpdb->prefix . $bare;
    }, kestrel_receiver_table_names()));
}

/** Whole table names of this site's among a list's. */
function kestrel_receiver_listed_tables(Kestrel_Receiver_Parameters $p, $i)
{
    return kestrel_receiver_in(array_values(array_filter($p->items($i, false), function ($name) {
        return kestrel_receiver_bare_table($name) !== null;
    })));
}

function kestrel_receiver_reads()
{
    global $wpdb;
    $t = 'kestrel_receiver_table';
    $in = 'kestrel_receiver_in';
    return array(
        'option' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('SELECT option_value FROM ' . $t('options') . ' WHERE option_name=%s', $p->text(0));
        },
        'options' => function ($p) use ($t, $in) {
            return 'SELECT option_name, option_value FROM ' . $t('options') . ' WHERE option_name IN (' . $in($p->items(0, false)) . ')';
        },
        'table_charsets' => function () {
            return "SELECT TABLE_NAME, SUBSTRING_INDEX(TABLE_COLLATION, '_', 1) FROM information_schema.TABLES WHERE "
                . 'TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (' . kestrel_receiver_site_tables() . ')';
        },
        'table_columns' => function () {
            return 'SELECT TABLE_NAME, COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() AND '
                . 'TABLE_NAME IN (' . kestrel_receiver_site_tables() . ') ORDER BY TABLE_NAME, ORDINAL_POSITION';
        },
        'tables_without_transactions' => function ($p) {
            return 'SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN ('
                . kestrel_receiver_listed_tables($p, 0) . ") AND ENGINE<>'InnoDB'";
        },
        'table_engines' => function ($p) {
            return 'SELECT t.TABLE_NAME, t.ENGINE, e.TRANSACTIONS FROM information_schema.TABLES t LEFT JOIN '
                . 'information_schema.ENGINES e ON e.ENGINE=t.ENGINE WHERE t.TABLE_SCHEMA=DATABASE() AND t.TABLE_NAME IN ('
                . kestrel_receiver_listed_tables($p, 0) . ')';
        },
        'no_rows' => function ($p) {
            return 'SELECT * FROM ' . $p->table(0) . ' LIMIT 0';
        },
        'count_rows' => function ($p) {
            return 'SELECT COUNT(*) FROM ' . $p->table(0);
        },
        'largest_value' => function ($p) {
            $table = $p->table(0);
            return 'SELECT MAX(' . $p->column(1, trim($table, '`')) . ") FROM $table";
        },
        'rows_alike' => function ($p) use ($in) {
            $table = $p->table(0);
            return "SELECT COUNT(*) FROM $table WHERE (" . implode(',', $p->columns(1, trim($table, '`'))) . ')=('
                . $in($p->items(2, false)) . ')';
        },
        'post_names' => function () use ($t) {
            return 'SELECT post_name FROM ' . $t('posts') . " WHERE post_name<>''";
        },
        'term_ids' => function () use ($t) {
            return 'SELECT term_id FROM ' . $t('terms') . ' UNION SELECT term_taxonomy_id FROM ' . $t('term_taxonomy')
                . ' UNION SELECT term_taxonomy_id FROM ' . $t('term_relationships');
        },
        'post_ids' => function () use ($t) {
            return 'SELECT ID FROM ' . $t('posts');
        },
        'copies' => function ($p) {
            return kestrel_receiver_owned_meta($p, 'm.meta_value, m.%1$s, %2$s');
        },
        'origin_count' => function ($p) use ($wpdb) {
            return kestrel_receiver_owned_meta($p, 'COUNT(*)') . $wpdb->prepare(' AND m.meta_value=%s', $p->text(3));
        },
        'links' => function () use ($t) {
            return 'SELECT link_id, link_url, link_name FROM ' . $t('links');
        },
        'link_count' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('SELECT COUNT(*) FROM ' . $t('links') . ' WHERE link_url=%s AND link_name=%s', $p->text(0), $p->text(1));
        },
        'term_slugs' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('SELECT t.slug, t.term_id FROM ' . $t('terms') . ' t JOIN ' . $t('term_taxonomy')
                . ' x ON x.term_id=t.term_id WHERE x.taxonomy=%s', $p->text(0));
        },
        'users' => function () use ($t) {
            return 'SELECT ID, user_login, user_email, user_nicename FROM ' . $t('users') . ' ORDER BY ID';
        },
        'administrator' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('SELECT COALESCE(MIN(u.ID), 0) FROM ' . $t('users') . ' u JOIN ' . $t('usermeta')
                . ' m ON m.user_id=u.ID AND m.meta_key=%s WHERE m.meta_value LIKE %s', $p->text(0), '%"administrator"%');
        },
        'post_format' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('SELECT t.term_id, x.term_taxonomy_id FROM ' . $t('terms') . ' t JOIN ' . $t('term_taxonomy')
                . " x ON x.term_id=t.term_id AND x.taxonomy='post_format' WHERE t.slug=%s ORDER BY x.term_taxonomy_id LIMIT 1",
                $p->text(0));
        },
        'last_menu_order' => function () use ($t) {
            return 'SELECT COALESCE(MAX(menu_order),0) FROM ' . $t('posts') . " WHERE post_type='nav_menu_item'";
        },
        'published_posts' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('SELECT COUNT(*) FROM ' . $t('posts') . " WHERE post_type=%s AND post_status='publish'", $p->text(0));
        },
        'menus_of_term' => function ($p) use ($t) {
            return 'SELECT COUNT(*) FROM ' . $t('term_taxonomy') . " WHERE taxonomy='nav_menu' AND term_id=" . $p->number(0);
        },
        'terms_at' => function ($p) use ($t, $in) {
            return "SELECT t.term_id, COALESCE(MIN(x.taxonomy), ''), t.name FROM " . $t('terms') . ' t LEFT JOIN '
                . $t('term_taxonomy') . ' x ON x.term_id=t.term_id WHERE t.term_id IN (' . $in($p->items(0, true))
                . ') GROUP BY t.term_id, t.name ORDER BY t.term_id';
        },
        'posts_at' => function ($p) use ($t, $in) {
            return 'SELECT ID, post_type, post_title FROM ' . $t('posts') . ' WHERE ID IN (' . $in($p->items(0, true)) . ') ORDER BY ID';
        },
        'links_at' => function ($p) use ($t, $in) {
            return "SELECT link_id, 'link', link_name FROM " . $t('links') . ' WHERE link_id IN (' . $in($p->items(0, true))
                . ') ORDER BY link_id';
        },
        'shown_posts' => function ($p) use ($t, $in) {
            return 'SELECT ID, post_type, post_status, post_password, post_title, post_content, guid FROM ' . $t('posts')
                . ' WHERE ID IN (' . $in($p->items(0, true)) . ')';
        },
        'shown_comments' => function ($p) use ($t, $in) {
            return 'SELECT comment_ID, comment_post_ID, comment_parent, comment_approved, comment_content FROM '
                . $t('comments') . ' WHERE comment_ID IN (' . $in($p->items(0, true)) . ')';
        },
        'post_terms' => function ($p) use ($t, $in) {
            return 'SELECT r.object_id, t.term_taxonomy_id, t.taxonomy FROM ' . $t('term_relationships') . ' r JOIN '
                . $t('term_taxonomy') . " t ON t.term_taxonomy_id=r.term_taxonomy_id WHERE t.taxonomy IN ('category','post_tag') "
                . 'AND r.object_id IN (' . $in($p->items(0, true)) . ')';
        },
        'shown_links' => function () use ($t) {
            return 'SELECT link_url, link_name, link_visible FROM ' . $t('links');
        },
        'post_meta' => function ($p) use ($wpdb, $t, $in) {
            return $wpdb->prepare('SELECT post_id, meta_value FROM ' . $t('postmeta') . ' WHERE meta_key=%s', $p->text(0))
                . ' AND post_id IN (' . $in($p->items(1, true)) . ')';
        },
    ) + kestrel_receiver_emptying_reads();
}

function kestrel_receiver_changes()
{
    global $wpdb;
    $t = 'kestrel_receiver_table';
    $in = 'kestrel_receiver_in';
    return array(
        'update_option' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('UPDATE ' . $t('options') . ' SET option_value=%s WHERE option_name=%s', $p->text(1), $p->text(0));
        },
        'update_option_from' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('UPDATE ' . $t('options') . ' SET option_value=%s WHERE option_name=%s AND option_value=%s',
                $p->text(2), $p->text(0), $p->text(1));
        },
        'set_option' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('INSERT INTO ' . $t('options') . " (option_name, option_value, autoload) VALUES (%s,%s,'yes') "
                . 'ON DUPLICATE KEY UPDATE option_value=%s', $p->text(0), $p->text(1), $p->text(1));
        },
        'recount_terms' => function ($p) use ($t, $in) {
            $taxonomy = $t('term_taxonomy');
            return "UPDATE $taxonomy SET count=(SELECT COUNT(*) FROM " . $t('term_relationships') . ' r JOIN ' . $t('posts')
                . " p ON p.ID=r.object_id WHERE r.term_taxonomy_id=$taxonomy.term_taxonomy_id AND p.post_status='publish' AND "
                . "p.post_type='post') WHERE term_taxonomy_id IN (" . $in($p->items(0, true)) . ')';
        },
        'recount_menu' => function ($p) use ($t) {
            $id = $p->number(0);
            return 'UPDATE ' . $t('term_taxonomy') . ' SET count=(SELECT COUNT(*) FROM ' . $t('term_relationships')
                . " WHERE term_taxonomy_id=$id) WHERE term_taxonomy_id=$id";
        },
        'recount_comments' => function ($p) use ($t, $in) {
            return 'UPDATE ' . $t('posts') . ' p SET comment_count=(SELECT COUNT(*) FROM ' . $t('comments')
                . " c WHERE c.comment_post_ID=p.ID AND c.comment_approved='1') WHERE p.ID IN (" . $in($p->items(0, true)) . ')';
        },
        'set_post_content' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('UPDATE ' . $t('posts') . ' SET post_content=%s WHERE ID=%d', $p->text(1), $p->number(0));
        },
        'set_post_texts' => function ($p) use ($wpdb, $t) {
            return $wpdb->prepare('UPDATE ' . $t('posts') . ' SET post_content=%s, post_excerpt=%s WHERE ID=%d',
                $p->text(1), $p->text(2), $p->number(0));
        },
        'delete_orphaned_origins' => function ($p) use ($wpdb) {
            $meta_table = $p->table(0, $meta);
            list($owner, $id, $column) = kestrel_receiver_meta_owner($meta);
            return $wpdb->prepare("DELETE m FROM $meta_table m LEFT JOIN " . kestrel_receiver_table($owner)
                . " o ON o.$id=m.$column WHERE m.meta_key=%s AND o.$id IS NULL", $p->text(1));
        },
    ) + kestrel_receiver_emptying_changes();
}
