<?php
// Proves that a statement Kestrel sends touches nothing but this site's own tables, before it runs.
// A statement is read as the server will read it: strings (with backslash escapes, which the session
// keeps on, see session.php), backquoted names and words. Whatever could hide a second reading —
// comments, ";", an unclosed quote — is refused outright rather than understood.

if (!defined('ABSPATH')) {
    exit;
}

/** The bare names of the tables Kestrel may touch, each under this site's prefix. */
function kestrel_receiver_table_names()
{
    return array(
        'posts', 'postmeta', 'comments', 'commentmeta', 'terms', 'termmeta', 'term_taxonomy',
        'term_relationships', 'links', 'options', 'users', 'usermeta',
        // The session's own copies of the server's catalogue, made for each request (session.php).
        'kestrel_schema_tables', 'kestrel_schema_columns', 'kestrel_schema_engines',
    );
}

/**
 * The rows of a multi-row INSERT as Kestrel writes them, to the statement's end: tuples of quoted strings,
 * numbers and NULLs, read as the tokens below read them. Nothing in such rows can name a table, hide a
 * comment or end the statement, so none of their tokens is needed.
 */
function kestrel_receiver_plain_rows_pattern()
{
    $value = <<<'PCRE'
(?:'(?:[^'\\]++|\\.|'')*+'|"(?:[^"\\]++|\\.|"")*+"|-?+[0-9]++(?:\.[0-9]++)?+(?:[eE][-+]?+[0-9]++)?+|(?i:NULL))
PCRE;
    $tuple = '\(\s*+' . $value . '(?:\s*+,\s*+' . $value . ')*+\s*+\)';
    return '/\G\s*+' . $tuple . '(?:\s*+,\s*+' . $tuple . ')*+\s*+\z/s';
}

/**
 * The statement's tokens as [type, text, value, offset]: type is "word", "name" (backquoted), "string",
 * "number", "variable" or "symbol"; value is a name's unquoted text. Null for anything refused.
 */
function kestrel_receiver_tokens($sql)
{
    static $word_bytes = null;
    if ($word_bytes === null) {
        $word_bytes = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_$';
        for ($byte = 0x80; $byte <= 0xff; ++$byte) {
            $word_bytes .= chr($byte);
        }
    }
    $tokens = array();
    $length = strlen($sql);
    $i = 0;
    while (true) {
        // A statement of many rows is mostly values and separators: each run of bytes of one kind is
        // skipped at C's speed.
        $i += strspn($sql, " \t\n\r\f\v", $i);
        if ($i >= $length) {
            break;
        }
        $c = $sql[$i];
        $next = $i + 1 < $length ? $sql[$i + 1] : '';
        if ($c === '#' || ($c === '-' && $next === '-') || ($c === '/' && $next === '*')) {
            return null;
        }
        if ($c === "'" || $c === '"') {
            $j = $i + 1;
            while (true) {
                $j += strcspn($sql, $c . '\\', $j);
                if ($j >= $length) {
                    return null;
                }
                if ($sql[$j] === '\\') {
                    $j += 2;
                    continue;
                }
                if ($j + 1 < $length && $sql[$j + 1] === $c) {
                    $j += 2;
                    continue;
                }
                break;
            }
            // A value's text is never looked at again: only where it stands.
            $tokens[] = array('string', '', null, $i);
            $i = $j + 1;
            continue;
        }
        if ($c === '`') {
            $j = $i + 1;
            $value = '';
            while (true) {
                if ($j >= $length) {
                    return null;
                }
                if ($sql[$j] === '`') {
                    if ($j + 1 < $length && $sql[$j + 1] === '`') {
                        $value .= '`';
                        $j += 2;
                        continue;
                    }
                    break;
                }
                $value .= $sql[$j++];
            }
            $tokens[] = array('name', substr($sql, $i, $j + 1 - $i), $value, $i);
            $i = $j + 1;
            continue;
        }
        if ($c >= '0' && $c <= '9'
            && preg_match('/\G(?:0x[0-9a-fA-F]+|[0-9]+(?:\.[0-9]*)?(?:[eE][-+]?[0-9]+)?)(?![A-Za-z0-9_$\x80-\xff])/', $sql, $m, 0, $i)) {
            $tokens[] = array('number', $m[0], null, $i);
            $i += strlen($m[0]);
            continue;
        }
        $run = strspn($sql, $word_bytes, $i);
        if ($run > 0) {
            $word = substr($sql, $i, $run);
            $tokens[] = array('word', $word, $word, $i);
            $i += $run;
            if (strcasecmp($word, 'VALUES') === 0 && $tokens[0][0] === 'word'
                && in_array(strtoupper($tokens[0][1]), array('INSERT', 'REPLACE'), true)) {
                static $rows = null;
                $rows = $rows ?: kestrel_receiver_plain_rows_pattern();
                if (preg_match($rows, $sql, $unused, 0, $i) === 1) {
                    break;
                }
            }
            continue;
        }
        if ($c === '@' && preg_match('/\G@@?[A-Za-z0-9_$.]+/', $sql, $m, 0, $i)) {
            $tokens[] = array('variable', $m[0], null, $i);
            $i += strlen($m[0]);
            continue;
        }
        if (strpos('=<>!+-*/%&|^~:,().', $c) !== false) {
            $tokens[] = array('symbol', $c, null, $i);
            ++$i;
            continue;
        }
        return null; // ";", "?", "\" and anything else no statement of Kestrel's holds
    }
    return $tokens;
}

function kestrel_receiver_is_name(array $token)
{
    return $token[0] === 'word' || $token[0] === 'name';
}

function kestrel_receiver_keyword(array $tokens, $at)
{
    return isset($tokens[$at]) && $tokens[$at][0] === 'word' ? strtoupper($tokens[$at][1]) : '';
}

/**
 * Checks one statement. Gives array('sql' => the statement to run, 'kind' => its first keyword,
 * 'table' => the table an INSERT writes, 'catalogue' => the catalogue copies it reads) or a
 * WP_Error saying why it is refused. $databases are the names of the databases the session can see,
 * in lower case: none of them may pass for a table's alias.
 */
function kestrel_receiver_check_statement($sql, $prefix, array $databases)
{
    $refuse = function ($why) use ($sql) {
        return new WP_Error('kestrel_statement_refused', $why, array('statement' => substr($sql, 0, 200)));
    };
    $tokens = kestrel_receiver_tokens($sql);
    if ($tokens === null || empty($tokens)) {
        return $refuse('comment, several statements, an unclosed quote or a character not allowed');
    }

    // The catalogue is read from this session's copies, which hold this site's tables only.
    $catalogue = array();
    $copies = array('TABLES' => 'kestrel_schema_tables', 'COLUMNS' => 'kestrel_schema_columns', 'ENGINES' => 'kestrel_schema_engines');
    $rewritten = array();
    $spans = array();
    $count = count($tokens);
    for ($i = 0; $i < $count; ++$i) {
        $token = $tokens[$i];
        if (($token[0] === 'word' || $token[0] === 'name') && strtolower($token[2]) === 'information_schema'
            && isset($tokens[$i + 2]) && $tokens[$i + 1][1] === '.' && kestrel_receiver_is_name($tokens[$i + 2])
            && isset($copies[strtoupper($tokens[$i + 2][2])])) {
            $copy = $copies[strtoupper($tokens[$i + 2][2])];
            $catalogue[$copy] = true;
            $rewritten[] = array('name', '`' . $prefix . $copy . '`', $prefix . $copy, $token[3]);
            $spans[] = array($token[3], $tokens[$i + 2][3] + strlen($tokens[$i + 2][1]), '`' . $prefix . $copy . '`');
            $i += 2;
            continue;
        }
        $rewritten[] = $token;
    }
    $tokens = $rewritten;

    $kind = kestrel_receiver_keyword($tokens, 0);
    $count = count($tokens);
    switch ($kind) {
        case 'SELECT':
        case 'INSERT':
        case 'REPLACE':
        case 'UPDATE':
        case 'DELETE':
        case 'SET':
            break;
        case 'START':
            if ($count !== 2 || kestrel_receiver_keyword($tokens, 1) !== 'TRANSACTION') {
                return $refuse('only START TRANSACTION');
            }
            break;
        case 'COMMIT':
        case 'ROLLBACK':
            if ($count !== 1) {
                return $refuse("only a bare $kind");
            }
            break;
        case 'SHOW':
            if ($count !== 2 || kestrel_receiver_keyword($tokens, 1) !== 'WARNINGS') {
                return $refuse('only SHOW WARNINGS');
            }
            break;
        default:
            return $refuse('a kind of statement Kestrel does not send');
    }

    $forbidden = array('OUTFILE', 'DUMPFILE', 'INFILE', 'LOAD', 'LOAD_FILE', 'GLOBAL', 'PERSIST', 'PERSIST_ONLY',
        'PASSWORD', 'NAMES', 'CHARACTER', 'CHARSET', 'ROLE', 'STATEMENT', 'HANDLER', 'PROCEDURE', 'LATERAL');
    $catalogues = array('information_schema', 'mysql', 'performance_schema', 'sys');
    foreach ($tokens as $at => $token) {
        if ($token[0] === 'string' || $token[0] === 'number') {
            continue;
        }
        if ($token[0] === 'word' && in_array(strtoupper($token[1]), $forbidden, true)) {
            return $refuse(strtoupper($token[1]) . ' is not allowed');
        }
        if (kestrel_receiver_is_name($token) && in_array(strtolower($token[2]), $catalogues, true)) {
            return $refuse('the server\'s own databases are out of reach');
        }
        if ($token[0] === 'variable' && preg_match('/^@@(global|persist|persist_only)\./i', $token[1])) {
            return $refuse('only the session\'s own variables');
        }
        if ($token[0] === 'word' && strtoupper($token[1]) === 'INTO' && !(($kind === 'INSERT' || $kind === 'REPLACE') && $at <= 3)) {
            return $refuse('INTO only as an INSERT\'s');
        }
        if ($kind === 'SET' && kestrel_receiver_is_name($token) && preg_match('/^(character_set|collation)/i', $token[2])) {
            return $refuse('the session\'s character set stays as it is');
        }
    }

    // Every table named is one of this site's; a name before a "." is one of them or an alias.
    $site = array();
    foreach (kestrel_receiver_table_names() as $bare) {
        $site[$prefix . $bare] = true;
    }
    $aliases = array();
    $tables = array();
    $listing = false; // between FROM/UPDATE and the clause that ends its list of tables
    $ends = array('WHERE', 'SET', 'ON', 'USING', 'GROUP', 'ORDER', 'LIMIT', 'HAVING', 'VALUES', 'VALUE', 'SELECT',
        'UNION', 'WINDOW', 'FOR', 'LOCK', 'INTO');
    $expect_table = false;
    for ($i = 0; $i < $count; ++$i) {
        $type = $tokens[$i][0];
        if ($type === 'string' || $type === 'number') {
            if ($expect_table) {
                return $refuse('a table that is not one of this site\'s');
            }
            continue;
        }
        $word = $type === 'word' ? strtoupper($tokens[$i][1]) : '';
        if ($expect_table) {
            $expect_table = false;
            if ($tokens[$i][1] === '(') {
                // A subquery, or tables in parentheses: then the next name is a table too.
                $expect_table = kestrel_receiver_keyword($tokens, $i + 1) !== 'SELECT';
                continue;
            }
            if (!kestrel_receiver_is_name($tokens[$i]) || !isset($site[$tokens[$i][2]])) {
                return $refuse('a table that is not one of this site\'s');
            }
            if (isset($tokens[$i + 1]) && $tokens[$i + 1][1] === '.') {
                return $refuse('a table that is not one of this site\'s');
            }
            $tables[] = $tokens[$i][2];
            $next = $i + 1;
            if (kestrel_receiver_keyword($tokens, $next) === 'AS') {
                ++$next;
            }
            if (isset($tokens[$next]) && kestrel_receiver_is_name($tokens[$next])
                && !in_array(kestrel_receiver_keyword($tokens, $next), array_merge($ends, array('JOIN', 'INNER', 'LEFT', 'RIGHT', 'CROSS', 'STRAIGHT_JOIN', 'NATURAL', 'FROM')), true)) {
                $aliases[strtolower($tokens[$next][2])] = true;
                $i = $next;
            }
            continue;
        }
        if ($word === 'FROM' || $word === 'JOIN' || $word === 'STRAIGHT_JOIN' || $word === 'TABLE' || ($word === 'UPDATE' && $i === 0)) {
            $expect_table = true;
            $listing = $word === 'FROM' || $word === 'UPDATE';
            continue;
        }
        if (($kind === 'INSERT' || $kind === 'REPLACE') && $i === 0) {
            $next = 1;
            while (in_array(kestrel_receiver_keyword($tokens, $next), array('LOW_PRIORITY', 'DELAYED', 'HIGH_PRIORITY', 'IGNORE'), true)) {
                ++$next;
            }
            if (kestrel_receiver_keyword($tokens, $next) === 'INTO') {
                ++$next;
            }
            $i = $next - 1;
            $expect_table = true;
            continue;
        }
        if ($listing && $tokens[$i][1] === ',') {
            $expect_table = true;
            continue;
        }
        if (in_array($word, $ends, true) || $tokens[$i][1] === '(' || $tokens[$i][1] === ')') {
            $listing = false;
        }
    }
    if ($expect_table) {
        return $refuse('a table that is not one of this site\'s');
    }
    for ($i = 0; $i + 2 < $count; ++$i) {
        if (($tokens[$i][0] !== 'word' && $tokens[$i][0] !== 'name') || $tokens[$i + 1][1] !== '.') {
            continue;
        }
        $qualifier = strtolower($tokens[$i][2]);
        if (in_array($qualifier, $databases, true) || (!isset($site[$tokens[$i][2]]) && !isset($aliases[$qualifier]))) {
            return $refuse('a name in another database, or of a table not this site\'s');
        }
        if (isset($tokens[$i + 3]) && $tokens[$i + 3][1] === '.') {
            return $refuse('a name in another database');
        }
    }
    if (empty($tables) && in_array($kind, array('INSERT', 'REPLACE', 'UPDATE', 'DELETE'), true)) {
        return $refuse('a table that is not one of this site\'s');
    }

    // The statement as sent, but for the catalogue's names: spaces matter (no blank before a function's "(").
    $sql_out = $sql;
    foreach (array_reverse($spans) as $span) {
        $sql_out = substr($sql_out, 0, $span[0]) . $span[2] . substr($sql_out, $span[1]);
    }
    return array(
        'sql' => $sql_out,
        'kind' => $kind,
        'table' => ($kind === 'INSERT' || $kind === 'REPLACE') ? substr($tables[0], strlen($prefix)) : '',
        'catalogue' => array_keys($catalogue),
    );
}
