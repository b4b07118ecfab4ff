<?php
// Emptying first, as operations: which rows a copy of a blog owns, their counts, the backup's pages, the
// check that nothing changed since the backup, and the deletes. What the blog owns comes with each
// operation that needs it (post types, taxonomies, the origin keys of what a run brings), in this order:
//   what the blog owns: types, taxonomies, post keys (lists of texts), menu key (a text);
//   marks, once Kestrel has read them: posts, comments, taxonomies, terms (lists of numbers).

if (!defined('ABSPATH')) {
    exit;
}

/** The selects of one set of ids a copy of a blog owns (posts, comments, taxonomies or terms), as one. */
function kestrel_receiver_owned(Kestrel_Receiver_Parameters $p, $at, $set)
{
    global $wpdb;
    $t = 'kestrel_receiver_table';
    $types = kestrel_receiver_in($p->items($at, false));
    $taxonomies = kestrel_receiver_in($p->items($at + 1, false));
    $post_keys = kestrel_receiver_in($p->items($at + 2, false));
    $menus = function ($what) use ($wpdb, $t, $p, $at) {
        return $wpdb->prepare("SELECT $what FROM " . $t('term_taxonomy') . ' x JOIN ' . $t('termmeta')
            . " m ON m.term_id=x.term_id AND m.meta_key=%s WHERE x.taxonomy='nav_menu'", $p->text($at + 3));
    };
    $posts = 'SELECT ID FROM ' . $t('posts') . " WHERE post_type IN ($types) UNION SELECT post_id FROM " . $t('postmeta')
        . " WHERE meta_key IN ($post_keys) UNION SELECT r.ID FROM " . $t('posts') . ' r JOIN ' . $t('posts')
        . " p ON p.ID=r.post_parent WHERE r.post_type='revision' AND p.post_type IN ($types)";
    switch ($set) {
        case 'posts':
            return $posts;
        case 'comments':
            return 'SELECT comment_ID FROM ' . $t('comments') . " WHERE comment_post_ID IN ($posts)";
        case 'taxonomies':
            return 'SELECT term_taxonomy_id FROM ' . $t('term_taxonomy') . " WHERE taxonomy IN ($taxonomies) UNION "
                . $menus('x.term_taxonomy_id');
        case 'menus': // those a run made
            return $menus('x.term_id');
        case 'terms':
            return 'SELECT t.term_id FROM ' . $t('term_taxonomy') . " t WHERE t.taxonomy IN ($taxonomies) AND NOT EXISTS "
                . '(SELECT 1 FROM ' . $t('term_taxonomy') . " o WHERE o.term_id=t.term_id AND o.taxonomy NOT IN ($taxonomies)) UNION "
                . $menus('x.term_id');
    }
    kestrel_receiver_refuse('no such set of a blog\'s rows');
}

/** Each table emptying takes rows from: its key, and its rows by the marks (column => set); none, all. */
function kestrel_receiver_marked_tables()
{
    return array(
        'comments' => array(array('comment_ID'), array('comment_ID' => 'comments')),
        'commentmeta' => array(array('meta_id'), array('comment_id' => 'comments')),
        'posts' => array(array('ID'), array('ID' => 'posts')),
        'postmeta' => array(array('meta_id'), array('post_id' => 'posts')),
        'term_relationships' => array(array('object_id', 'term_taxonomy_id'),
            array('term_taxonomy_id' => 'taxonomies', 'object_id' => 'posts')),
        'term_taxonomy' => array(array('term_taxonomy_id'), array('term_taxonomy_id' => 'taxonomies')),
        'terms' => array(array('term_id'), array('term_id' => 'terms')),
        'termmeta' => array(array('meta_id'), array('term_id' => 'terms')),
        'links' => array(array('link_id'), array()),
    );
}

/** The marked table of parameter 0 as array(its name, its key, the condition on its marked rows or ''). */
function kestrel_receiver_marked_table(Kestrel_Receiver_Parameters $p)
{
    $name = $p->table(0, $bare);
    $tables = kestrel_receiver_marked_tables();
    if (!isset($tables[$bare])) {
        kestrel_receiver_refuse('a table emptying does not take rows from');
    }
    list($key, $marks) = $tables[$bare];
    $sets = array('posts' => 1, 'comments' => 2, 'taxonomies' => 3, 'terms' => 4);
    $conditions = array();
    foreach ($marks as $column => $set) {
        $conditions[] = "$column IN (" . kestrel_receiver_in($p->items($sets[$set], true)) . ')';
    }
    return array($name, $key, implode(' OR ', $conditions));
}

function kestrel_receiver_where($condition)
{
    return $condition === '' ? '' : " WHERE $condition";
}

/** A select that fails (BIGINT UNSIGNED out of range) when $condition holds, and only then. */
function kestrel_receiver_fail_when($condition, $from)
{
    return "SELECT 18446744073709551615 + ($condition) FROM $from";
}

/** An unsigned 64-bit number given as its digits. */
function kestrel_receiver_bits(Kestrel_Receiver_Parameters $p, $i)
{
    $bits = $p->text($i);
    if (!preg_match('/\A[0-9]{1,20}\z/', $bits)) {
        kestrel_receiver_refuse("parameter $i is not an unsigned number");
    }
    return $bits;
}

function kestrel_receiver_emptying_reads()
{
    $t = 'kestrel_receiver_table';
    return array(
        // Parameters: the set, then what the blog owns.
        'blog_ids' => function ($p) {
            return kestrel_receiver_owned($p, 1, $p->text(0));
        },
        // Parameters: what is counted, what the blog owns, and its marks when read (posts, comments).
        'emptying_count' => function ($p) use ($t) {
            $marked = $p->has(5);
            $posts = $marked ? kestrel_receiver_in($p->items(5, true)) : kestrel_receiver_owned($p, 1, 'posts');
            $comments = $marked ? kestrel_receiver_in($p->items(6, true)) : kestrel_receiver_owned($p, 1, 'comments');
            switch ($p->text(0)) {
                case 'post_types':
                    return 'SELECT post_type, COUNT(*) FROM ' . $t('posts') . " WHERE ID IN ($posts) GROUP BY post_type";
                case 'taxonomies':
                    return 'SELECT taxonomy, COUNT(*) FROM ' . $t('term_taxonomy') . ' WHERE taxonomy IN ('
                        . kestrel_receiver_in($p->items(2, false)) . ') GROUP BY taxonomy';
                case 'comments':
                    return "SELECT 'comments', COUNT(*) FROM " . $t('comments') . " WHERE comment_ID IN ($comments)";
                case 'links':
                    return "SELECT 'links', COUNT(*) FROM " . $t('links');
                case 'menus':
                    return "SELECT 'nav_menu', COUNT(*) FROM (" . kestrel_receiver_owned($p, 1, 'menus') . ') menus';
            }
            kestrel_receiver_refuse('nothing such is counted');
        },
        // Parameters: the table, the marks, the page's rows, the key of the last row taken (none at first).
        'backup_page' => function ($p) {
            list($name, $key, $condition) = kestrel_receiver_marked_table($p);
            $last = $p->items(6, true);
            $after = array();
            if (!empty($last)) {
                if (count($last) !== count($key)) {
                    kestrel_receiver_refuse('a key of another length than the table\'s');
                }
                // (a, b) > (x, y), written out: a > x OR (a = x AND b > y).
                foreach ($key as $i => $column) {
                    $term = array();
                    for ($j = 0; $j < $i; ++$j) {
                        $term[] = $key[$j] . '=' . $last[$j];
                    }
                    $term[] = "$column>" . $last[$i];
                    $after[] = '(' . implode(' AND ', $term) . ')';
                }
            }
            $conditions = array();
            if ($condition !== '') {
                $conditions[] = "($condition)";
            }
            if (!empty($after)) {
                $conditions[] = '(' . implode(' OR ', $after) . ')';
            }
            return "SELECT * FROM $name" . kestrel_receiver_where(implode(' AND ', $conditions)) . ' ORDER BY '
                . implode(', ', $key) . ' LIMIT ' . max(1, $p->number(5));
        },
        // Parameters: the set, what the blog owns, its ids' count and their XOR.
        'marks_unchanged' => function ($p) {
            $set = $p->text(0);
            $columns = array('posts' => 'ID', 'comments' => 'comment_ID', 'taxonomies' => 'term_taxonomy_id', 'terms' => 'term_id');
            if (!isset($columns[$set])) {
                kestrel_receiver_refuse('no such set of a blog\'s rows');
            }
            return kestrel_receiver_fail_when('COUNT(*) <> ' . $p->number(5) . ' OR BIT_XOR(' . $columns[$set] . ') <> '
                . kestrel_receiver_bits($p, 6), '(' . kestrel_receiver_owned($p, 1, $set) . ') kestrel_marks');
        },
        // Parameters: the table, the marks, the rows backed up and their fingerprint: per row, MD5 of each
        // value's bytes in hex ("N" for NULL) joined by ","; the first 64 bits of each, XORed together.
        'rows_unchanged' => function ($p, $link) {
            list($name, , $condition) = kestrel_receiver_marked_table($p);
            $values = array();
            $result = mysqli_query($link, "SHOW COLUMNS FROM $name");
            while ($result instanceof mysqli_result && ($row = mysqli_fetch_row($result))) {
                $values[] = 'IFNULL(HEX(CAST(`' . str_replace('`', '``', $row[0]) . "` AS BINARY)), 'N')";
            }
            $bits = empty($values) ? '0'
                : "BIT_XOR(CAST(CONV(LEFT(MD5(CONCAT_WS(',', " . implode(', ', $values) . ')), 16), 16, 10) AS UNSIGNED))';
            return kestrel_receiver_fail_when('COUNT(*) <> ' . $p->number(5) . " OR $bits <> " . kestrel_receiver_bits($p, 6),
                $name . kestrel_receiver_where($condition)) . ' FOR UPDATE';
        },
        // Parameters: the table, the marks.
        'marked_rows_left' => function ($p) {
            list($name, , $condition) = kestrel_receiver_marked_table($p);
            return "SELECT COUNT(*) FROM $name" . kestrel_receiver_where($condition);
        },
    );
}

function kestrel_receiver_emptying_changes()
{
    return array(
        // Parameters: the table, the marks.
        'delete_marked' => function ($p) {
            list($name, , $condition) = kestrel_receiver_marked_table($p);
            return "DELETE FROM $name" . kestrel_receiver_where($condition);
        },
    );
}
