#!/usr/bin/env bash
# A private MariaDB instance that serves Orbisel's service database on 127.0.0.1.
# No system service is involved: the data directory holds everything, including
# the socket through which the administrator (MariaDB root) works.
#
#   scripts/service-db.sh start  [--datadir D] [--port P]   create (first time), start, seed
#   scripts/service-db.sh status [--datadir D]              exit 0 when running, 3 when not
#   scripts/service-db.sh stop   [--datadir D]              clean shutdown
#   scripts/service-db.sh reset  [--datadir D]              recreate table woai with the seed rows
#
# Default data directory: ${XDG_DATA_HOME:-~/.local/share}/Orbisel/servicedb, default port 3306.
set -euo pipefail

usage() {
  echo "usage: $0 {start|stop|status|reset} [--datadir DIR] [--port PORT]" >&2
  exit 2
}

command=""
datadir="${XDG_DATA_HOME:-$HOME/.local/share}/Orbisel/servicedb"
port=3306
while [ $# -gt 0 ]; do
  case "$1" in
    start|stop|status|reset) command="$1" ;;
    --datadir) [ $# -ge 2 ] || usage; datadir="$2"; shift ;;
    --datadir=*) datadir="${1#*=}" ;;
    --port) [ $# -ge 2 ] || usage; port="$2"; shift ;;
    --port=*) port="${1#*=}" ;;
    *) usage ;;
  esac
  shift
done
[ -n "$command" ] || usage
case "$port" in '' | *[!0-9]*) echo "Invalid port: $port" >&2; exit 2 ;; esac

mkdir -p "$datadir"
datadir="$(cd "$datadir" && pwd -P)"
socket="$datadir/sock"
pidfile="$datadir/mariadbd.pid"
portfile="$datadir/port"
errlog="$datadir/error.log"
# The server's own temporary folder: servers sharing /tmp delete each other's
# temporary tables when they start. It is no database.
tmpdir="$datadir/tmp"

if [ ${#socket} -gt 100 ]; then
  echo "Data directory path too long for a socket path: $datadir" >&2
  exit 1
fi
for tool in mariadbd mariadb mariadb-admin mariadb-install-db; do
  if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "/usr/sbin/$tool" ]; then
    echo "$tool not found: install the Debian package mariadb-server." >&2
    exit 1
  fi
done
mariadbd_bin="$(command -v mariadbd || echo /usr/sbin/mariadbd)"

as_root_user=()
[ "$(id -u)" -eq 0 ] && as_root_user=(--user=root)

admin() { mariadb --no-defaults --socket="$socket" -uroot --default-character-set=utf8mb4 "$@"; }

# The pid of our server when it runs from this data directory, else nothing.
server_pid() {
  [ -f "$pidfile" ] || return 0
  local pid
  pid="$(tr -dc '0-9' <"$pidfile")"
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || return 0
  tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | grep -qxF -- "--datadir=$datadir" || return 0
  echo "$pid"
}

answers() { mariadb-admin --no-defaults --socket="$socket" -uroot --connect-timeout=2 ping >/dev/null 2>&1; }

port_in_use() { timeout 3 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1" 2>/dev/null; }

seed_sql() {
  cat <<'SQL'
CREATE DATABASE IF NOT EXISTS group_data DEFAULT CHARACTER SET gbk;
USE group_data;
CREATE TABLE IF NOT EXISTS woai (
  `标识` VARCHAR(64) NULL COMMENT '第0列：行的标识；使用次数行(mima=1900)在此存放累计次数',
  `地址` VARCHAR(255) NULL COMMENT '第1列：网页地址',
  `内容` TEXT NULL COMMENT '第2列：版本、地址、时间、开关、文件名或说明',
  `公告` TEXT NULL COMMENT '第3列：滚动公告',
  `账号` VARCHAR(32) NULL COMMENT '行选择条件 账号=…',
  `ID` INT NULL COMMENT '行选择条件 ID=…',
  `mima` VARCHAR(32) NULL COMMENT '行选择条件 mima=…',
  `说明` VARCHAR(255) NULL COMMENT '给管理员看的用途说明，程序不读',
  `序号` INT NOT NULL AUTO_INCREMENT PRIMARY KEY
) DEFAULT CHARSET=gbk;
INSERT IGNORE INTO woai (`序号`, `标识`, `地址`, `内容`, `公告`, `账号`, `ID`, `mima`, `说明`) VALUES
 (1, '最新版本', NULL, 'V6.9.2', NULL, '8787', NULL, NULL, '查询窗口的版本检查'),
 (2, '更新', 'https://www.example.com/orbisel/update.html', 'V6.9.2', NULL, NULL, 8, NULL, '主窗口的版本检查：更新网页地址与最新版本'),
 (3, '公告B', NULL, 'https://www.example.com/orbisel/download.html', '新版本 V6.9.2 已发布，长尾词挖掘更快更稳，点击“下载更新”获取', '555', NULL, NULL, '更新按钮的下载地址与公告B'),
 (4, '公告A', NULL, 'https://ke.qq.com/course/2745312', '今晚21点30分直播公开课：用长尾词给宝贝标题引流，欢迎准时参加', '666', NULL, NULL, '课程地址与公告A'),
 (5, '开课时间', NULL, '21点30分', NULL, '222', NULL, NULL, '课程开始时间，形如 21点30分'),
 (6, '公告窗口', NULL, '假', NULL, '456', NULL, NULL, '真：显示公告窗口；假：隐藏'),
 (7, '更新文件', NULL, 'Orbisel-V6.9.2.zip', NULL, '9123', NULL, NULL, '更新服务器(FTP)上的新版本文件名'),
 (8, '数据共享', NULL, '数据共享：登录后可查看团队成员共享的店铺与关键词数据，数据每日更新，仅供团队内部参考。', NULL, '668', NULL, NULL, '数据共享窗口的说明文字'),
 (9, '12873', NULL, NULL, NULL, NULL, NULL, '1900', '累计使用次数（第0列）');
SQL
}

accounts_sql() {
  # Anonymous accounts shadow group_data's password login: remove every one of them.
  admin -N -B -e "SELECT CONCAT('DROP USER ', QUOTE(User), '@', QUOTE(Host), ';') FROM mysql.user WHERE User=''"
  local host
  for host in localhost 127.0.0.1 %; do
    echo "CREATE USER IF NOT EXISTS 'group_data'@'$host' IDENTIFIED BY '583920174';"
    echo "ALTER USER 'group_data'@'$host' IDENTIFIED BY '583920174';"
    echo "GRANT SELECT ON group_data.* TO 'group_data'@'$host';"
  done
  echo "FLUSH PRIVILEGES;"
}

seed() {
  seed_sql | admin
  accounts_sql | admin
}

print_where() {
  echo "Service database: 127.0.0.1:$1 (database group_data, table woai)"
  echo "Data directory:   $datadir"
  echo "Admin shell:      mariadb --no-defaults --socket=$socket -uroot group_data"
}

start() {
  local pid running_port
  pid="$(server_pid)"
  if [ -n "$pid" ]; then
    running_port="$(cat "$portfile" 2>/dev/null || echo '?')"
    if [ "$running_port" != "$port" ]; then
      echo "The service database in $datadir already runs on port $running_port (pid $pid), not on $port." >&2
      echo "Stop it first: $0 stop --datadir $datadir" >&2
      exit 1
    fi
    if answers; then
      seed
      echo "Service database already running (pid $pid)."
      print_where "$port"
      return 0
    fi
    echo "The service database in $datadir runs (pid $pid) but does not answer; see $errlog." >&2
    echo "Stop it first: $0 stop --datadir $datadir" >&2
    exit 1
  fi

  if port_in_use "$port"; then
    echo "Port $port on 127.0.0.1 is already taken by another program (not the service database in $datadir)." >&2
    echo "Stop that program, or start on another port: $0 start --port OTHER" >&2
    exit 1
  fi

  mkdir -p "$tmpdir"
  if [ ! -d "$datadir/mysql" ]; then
    echo "Creating service database in $datadir"
    if ! mariadb-install-db --no-defaults --datadir="$datadir" --tmpdir="$tmpdir" --ignore-db-dirs=tmp "${as_root_user[@]}" \
      --auth-root-authentication-method=normal --skip-test-db >"$datadir/install.log" 2>&1; then
      cat "$datadir/install.log" >&2
      echo "Creating the database files failed (log: $datadir/install.log)." >&2
      exit 1
    fi
  fi

  echo "$port" >"$portfile"
  setsid "$mariadbd_bin" --no-defaults --datadir="$datadir" --tmpdir="$tmpdir" --ignore-db-dirs=tmp --socket="$socket" --port="$port" \
    --bind-address=127.0.0.1 --pid-file="$pidfile" --log-error="$errlog" "${as_root_user[@]}" \
    --skip-log-bin --innodb-buffer-pool-size=32M --character-set-server=utf8mb4 \
    </dev/null >>"$errlog" 2>&1 &
  pid=$!

  local i
  for i in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      tail -n 20 "$errlog" >&2 || true
      echo "The service database did not start (log: $errlog)." >&2
      exit 1
    fi
    answers && break
    sleep 0.1
  done
  if ! answers; then
    kill "$pid" 2>/dev/null || true
    echo "The service database did not become ready within 30 s (log: $errlog)." >&2
    exit 1
  fi
  seed
  echo "Service database started (pid $pid)."
  print_where "$port"
}

stop() {
  local pid i
  pid="$(server_pid)"
  if [ -z "$pid" ]; then
    echo "Service database in $datadir is not running."
    return 0
  fi
  mariadb-admin --no-defaults --socket="$socket" -uroot --connect-timeout=5 shutdown >/dev/null 2>&1 ||
    kill -TERM "$pid" 2>/dev/null || true
  for i in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "Service database did not stop in 30 s; killing pid $pid." >&2
    kill -KILL "$pid" 2>/dev/null || true
  fi
  echo "Service database stopped (data directory $datadir)."
}

status() {
  local pid
  pid="$(server_pid)"
  if [ -n "$pid" ] && answers; then
    echo "Service database running (pid $pid)."
    print_where "$(cat "$portfile" 2>/dev/null || echo '?')"
    return 0
  fi
  echo "Service database not running (data directory $datadir)."
  return 3
}

reset() {
  if [ -z "$(server_pid)" ] || ! answers; then
    echo "Service database in $datadir is not running." >&2
    exit 1
  fi
  admin -e "DROP TABLE IF EXISTS group_data.woai"
  seed
  echo "Table woai recreated with the seed rows."
}

"$command"
