#!/usr/bin/env bash
# Loads the sample emlog blog into a MariaDB/MySQL server.
#   scripts/sample/load-emlog.sh HOST:PORT DATABASE [PREFIX] [CHARSET] [VERSION]
# PREFIX is the tables' prefix (default emlog_), CHARSET their character set
# (default utf8mb4, as emlog pro makes them; the sample's emoji and 𠮷 need it).
# VERSION is the emlog whose tables the blog ends up in: pro (default), 6, 5 or 4;
# the same rows, less the columns that version does not have. 3.5 and 4.3 load
# small blogs of their own instead, in the tables those versions' installers
# made (utf8, whatever CHARSET says).
# Creates DATABASE if it is missing; the eight tables must not exist yet.
# Root logs in over TCP with the password in the file KESTREL_DB_PASSWORD_FILE names (none when unset).
set -euo pipefail

usage="usage: load-emlog.sh HOST:PORT DATABASE [PREFIX] [CHARSET] [pro|6|5|4|3.5|4.3]"
here=$(cd "$(dirname "$0")" && pwd)
address=${1:?$usage}
database=${2:?$usage}
prefix=${3-emlog_}
charset=${4:-utf8mb4}
version=${5:-pro}

case "$address" in
*:*) host=${address%:*} port=${address##*:} ;;
*) host=$address port=3306 ;;
esac
# Both end up inside SQL and a sed replacement: keep them to plain names.
[[ $prefix =~ ^[A-Za-z0-9_]*$ ]] || { echo "load-emlog.sh: bad prefix '$prefix'" >&2; exit 2; }
[[ $charset =~ ^[A-Za-z0-9_]+$ ]] || { echo "load-emlog.sh: bad charset '$charset'" >&2; exit 2; }
[[ $database != *'`'* ]] || { echo "load-emlog.sh: bad database name '$database'" >&2; exit 2; }
# The rows go into emlog pro's tables, which hold every column; an older
# version's tables are those with the later columns taken away.
blog=("$here/emlog-schema.sql" "$here/emlog-sample.sql")
case "$version" in
pro) older=() ;;
6) older=("$here/emlog-6.sql" "$here/emlog-6-only.sql") ;;
5) older=("$here/emlog-6.sql" "$here/emlog-5.sql") ;;
4) older=("$here/emlog-6.sql" "$here/emlog-5.sql" "$here/emlog-4.sql") ;;
3.5 | 4.3) blog=("$here/emlog-$version.sql") older=() ;;
*) echo "load-emlog.sh: unknown emlog version '$version' (pro, 6, 5, 4, 3.5 or 4.3)" >&2; exit 2 ;;
esac

# The client takes the password from its environment, out of sight of other users' `ps`.
[ -n "${KESTREL_DB_PASSWORD_FILE:-}" ] && MYSQL_PWD=$(cat "$KESTREL_DB_PASSWORD_FILE") && export MYSQL_PWD
client=(mariadb --no-defaults -h "$host" -P "$port" -uroot --default-character-set=utf8mb4)

"${client[@]}" -e "CREATE DATABASE IF NOT EXISTS \`$database\` CHARACTER SET utf8mb4"
# The tables are MyISAM, where the server's usual strict mode lets a multi-row
# INSERT cut a value short with only a warning: make that an error.
{
    echo "SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',STRICT_ALL_TABLES');"
    sed -e "s/{prefix}/$prefix/g" -e "s/{charset}/$charset/g" \
        "${blog[@]}" "${older[@]}"
} | "${client[@]}" "$database"
echo "loaded the sample emlog $version blog into $database with prefix $prefix ($charset)"
