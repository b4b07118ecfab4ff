<?php
// Carries out the operations Kestrel sends: reads and changes by name, each with its parameters, and
// rows to add by table and columns. Each is made into a statement here, from this plugin's own
// catalogue (catalogue.php, emptying.php), with values quoted by $wpdb and names checked against this
// site's own tables and their columns: nothing Kestrel sends is ever run as SQL.

if (!defined('ABSPATH')) {
    exit;
}

/** The bare names of the tables Kestrel may touch, each under this site's prefix. */
function kestrel_receiver_table_names()
{
    return array(
        'posts', 'postmeta', 'comments', 'commentmeta', 'terms', 'termmeta', 'term_taxonomy',
        'term_relationships', 'links', 'options', 'users', 'usermeta',
    );
}

/** A refusal of one operation, as its outcome says it. */
class Kestrel_Receiver_Refusal extends Exception
{
}

function kestrel_receiver_refuse($why)
{
    throw new Kestrel_Receiver_Refusal($why);
}

/**
 * One parameter as Kestrel sends it: {"n": "12"} a number, {"t": base64} a text, {"name": "..."} a
 * table's or a column's name, {"list": [...]} a list of those. Gives the number, the text, an array
 * array('name' => ...) or a list of those.
 */
function kestrel_receiver_parameter($value)
{
    if (!is_array($value) || count($value) !== 1) {
        kestrel_receiver_refuse('a parameter that is not one of a number, a text, a name or a list');
    }
    if (isset($value['n']) && is_string($value['n']) && preg_match('/\A-?[0-9]{1,19}\z/', $value['n'])) {
        return (int) $value['n'];
    }
    if (isset($value['t']) && is_string($value['t'])) {
        $text = base64_decode($value['t'], true);
        if ($text !== false) {
            return $text;
        }
    }
    if (isset($value['name']) && is_string($value['name'])) {
        return array('name' => $value['name']);
    }
    if (isset($value['list']) && is_array($value['list']) && wp_is_numeric_array($value['list'])) {
        $list = array();
        foreach ($value['list'] as $item) {
            if (is_array($item) && isset($item['list'])) {
                kestrel_receiver_refuse('a list within a list');
            }
            $list[] = kestrel_receiver_parameter($item);
        }
        return array('list' => $list);
    }
    kestrel_receiver_refuse('a parameter that is not one of a number, a text, a name or a list');
}

/** The operation's parameters, read as the names in $kinds say: "number", "text", "table" and so on. */
class Kestrel_Receiver_Parameters
{
    private $values;
    private $link;

    public function __construct(array $values, $link)
    {
        $this->values = $values;
        $this->link = $link;
    }

    private function at($i)
    {
        if (!array_key_exists($i, $this->values)) {
            kestrel_receiver_refuse('too few parameters');
        }
        return $this->values[$i];
    }

    public function number($i)
    {
        $value = $this->at($i);
        if (!is_int($value)) {
            kestrel_receiver_refuse("parameter $i is not a number");
        }
        return $value;
    }

    public function text($i)
    {
        $value = $this->at($i);
        if (is_int($value)) {
            return (string) $value;
        }
        if (!is_string($value)) {
            kestrel_receiver_refuse("parameter $i is not a text");
        }
        return $value;
    }

    /** A list of numbers, or of texts. */
    public function items($i, $numbers)
    {
        $value = $this->at($i);
        if (!is_array($value) || !isset($value['list'])) {
            kestrel_receiver_refuse("parameter $i is not a list");
        }
        foreach ($value['list'] as $item) {
            if ($numbers ? !is_int($item) : (!is_string($item) && !is_int($item))) {
                kestrel_receiver_refuse("parameter $i is not a list of " . ($numbers ? 'numbers' : 'texts'));
            }
        }
        return $value['list'];
    }

    /** Whether a parameter was given at all. */
    public function has($i)
    {
        return array_key_exists($i, $this->values);
    }

    /** This site's table the parameter names, backquoted; its bare name in $bare. */
    public function table($i, &$bare = null)
    {
        $value = $this->at($i);
        $name = is_array($value) && isset($value['name']) ? $value['name'] : null;
        $bare = $name === null ? null : kestrel_receiver_bare_table($name);
        if ($bare === null) {
            kestrel_receiver_refuse('a table that is not one of this site\'s');
        }
        return '`' . $name . '`';
    }

    /** A column of $table (whole name, unquoted) the parameter names, backquoted. */
    public function column($i, $table)
    {
        $value = $this->at($i);
        return kestrel_receiver_column($this->link, $table, is_array($value) && isset($value['name']) ? $value['name'] : null);
    }

    public function columns($i, $table)
    {
        $value = $this->at($i);
        if (!is_array($value) || !isset($value['list']) || empty($value['list'])) {
            kestrel_receiver_refuse("parameter $i is not a list of columns");
        }
        $columns = array();
        foreach ($value['list'] as $item) {
            $columns[] = kestrel_receiver_column($this->link, $table, is_array($item) && isset($item['name']) ? $item['name'] : null);
        }
        return $columns;
    }
}

/** The bare name of one of this site's tables Kestrel may touch, from its whole name; null for any other. */
function kestrel_receiver_bare_table($name)
{
    global $wpdb;
    foreach (kestrel_receiver_table_names() as $bare) {
        if ($name === $wpdb->prefix . $bare) {
            return $bare;
        }
    }
    return null;
}

/** This site's table by its bare name, backquoted. */
function kestrel_receiver_table($bare)
{
    global $wpdb;
    return '`' . $wpdb->prefix . $bare . '`';
}

/** A column of one of this site's tables (whole name), backquoted, as the server lists its columns. */
function kestrel_receiver_column($link, $table, $column)
{
    static $columns = array();
    if (kestrel_receiver_bare_table($table) === null) {
        kestrel_receiver_refuse('a table that is not one of this site\'s');
    }
    if (!isset($columns[$table])) {
        // As the columns of a result that has no rows: the server opens no data and no schema table for it.
        $columns[$table] = array();
        $result = mysqli_query($link, 'SELECT * FROM `' . $table . '` LIMIT 0');
        if ($result instanceof mysqli_result) {
            foreach (mysqli_fetch_fields($result) as $field) {
                $columns[$table][strtolower($field->orgname)] = $field->orgname;
            }
            mysqli_free_result($result);
        }
    }
    if (!is_string($column) || !isset($columns[$table][strtolower($column)])) {
        kestrel_receiver_refuse('a column that ' . $table . ' does not have');
    }
    return '`' . $columns[$table][strtolower($column)] . '`';
}

/** A statement made with $wpdb->prepare, as the server is to read it: "%" in its values as they were. */
function kestrel_receiver_prepared($sql)
{
    global $wpdb;
    return $wpdb->remove_placeholder_escape($sql);
}

/** Values for " IN (...)": NULL for none, which matches nothing. */
function kestrel_receiver_in(array $values)
{
    if (empty($values)) {
        return 'NULL';
    }
    $quoted = array();
    foreach ($values as $value) {
        $quoted[] = is_int($value) ? (string) $value : "'" . esc_sql($value) . "'";
    }
    return implode(',', $quoted);
}

/** An INSERT of rows by table and columns: {"insert": table, "columns": [...], "rows": [[base64 or null...]...]}. */
function kestrel_receiver_insert_statement($link, array $operation)
{
    $table = isset($operation['insert']) && is_string($operation['insert']) ? $operation['insert'] : '';
    if (kestrel_receiver_bare_table($table) === null) {
        kestrel_receiver_refuse('a table that is not one of this site\'s');
    }
    if (!isset($operation['columns'], $operation['rows']) || !is_array($operation['columns']) || !is_array($operation['rows'])
        || empty($operation['columns']) || empty($operation['rows'])) {
        kestrel_receiver_refuse('rows without columns');
    }
    $columns = array();
    foreach ($operation['columns'] as $column) {
        $columns[] = kestrel_receiver_column($link, $table, $column);
    }
    // A batch's many values are quoted for the session they go to, without a format read for each. That
    // session speaks utf8mb4 with backslash escapes (kestrel_receiver_session_is_sound()), where every byte
    // of a character past ASCII is 0x80 or above: a backslash before each quote, backslash and zero byte is
    // all a value needs: the server reads it as it reads mysqli_real_escape_string()'s, at a tenth of the cost.
    $rows = array();
    foreach ($operation['rows'] as $row) {
        if (!is_array($row) || count($row) !== count($columns)) {
            kestrel_receiver_refuse('a row whose values are not one per column');
        }
        $values = array();
        foreach ($row as $value) {
            $text = is_string($value) ? base64_decode($value, true) : false;
            if ($text === false) {
                kestrel_receiver_refuse('a value that is not base64');
            }
            $values[] = addslashes($text);
        }
        $rows[] = "('" . implode("','", $values) . "')";
    }
    return 'INSERT INTO `' . $table . '` (' . implode(',', $columns) . ') VALUES ' . implode(',', $rows);
}

/**
 * The statement one operation stands for, and the table its rows are added to (bare; '' for a read or a
 * change): array(sql, table).
 * Throws a Kestrel_Receiver_Refusal for anything this plugin does not carry out.
 */
function kestrel_receiver_statement($link, $operation)
{
    if (!is_array($operation)) {
        kestrel_receiver_refuse('an operation that is not an object');
    }
    if (isset($operation['insert'])) {
        return array(kestrel_receiver_prepared(kestrel_receiver_insert_statement($link, $operation)),
            kestrel_receiver_bare_table($operation['insert']));
    }
    $kind = isset($operation['read']) ? 'read' : (isset($operation['change']) ? 'change' : '');
    $name = $kind === '' ? null : $operation[$kind];
    $catalogue = $kind === 'read' ? kestrel_receiver_reads() : ($kind === 'change' ? kestrel_receiver_changes() : array());
    if (!is_string($name) || !isset($catalogue[$name])) {
        kestrel_receiver_refuse('an operation this plugin does not know: ' . (is_string($name) ? $name : $kind));
    }
    $values = array();
    foreach (isset($operation['with']) && is_array($operation['with']) ? $operation['with'] : array() as $value) {
        $values[] = kestrel_receiver_parameter($value);
    }
    $sql = call_user_func($catalogue[$name], new Kestrel_Receiver_Parameters($values, $link), $link);
    return array(kestrel_receiver_prepared($sql), '');
}
