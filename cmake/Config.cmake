# Every build-time setting of the program is a cache variable here, written into one
# generated header (orbisel/config.h). The program reads no run-time configuration.
# The project version goes into orbisel/version.h.

set(ORBISEL_VERSION_TEXT "V${PROJECT_VERSION}" CACHE STRING "Built-in version text")

# Support contact
set(ORBISEL_SUPPORT_QQ "800012345" CACHE STRING "Support contact number shown in captions and messages")
set(ORBISEL_SUPPORT_CHAT_LINK "tencent://message/?uin=800012345&Site=orbisel&Menu=yes" CACHE STRING "QQ chat link of the support contact")

# Service database
set(ORBISEL_SERVICE_DB_HOST "127.0.0.1" CACHE STRING "Service database host")
set(ORBISEL_SERVICE_DB_PORT 3306 CACHE STRING "Service database port")
set(ORBISEL_SERVICE_DB_USER "group_data" CACHE STRING "Service database account")
set(ORBISEL_SERVICE_DB_PASSWORD "583920174" CACHE STRING "Service database password")
set(ORBISEL_SERVICE_DB_NAME "group_data" CACHE STRING "Service database name")
set(ORBISEL_SERVICE_DB_TIMEOUT_S 5 CACHE STRING "Connect, read and write time-out of the service database, seconds")
set(ORBISEL_SERVICE_DB_RETRY_S 3 CACHE STRING "Least time between two connection attempts of readers while the service database is away, seconds")

# Update FTP server
set(ORBISEL_FTP_HOST "${ORBISEL_SERVICE_DB_HOST}" CACHE STRING "Update FTP server host")
set(ORBISEL_FTP_PORT 21 CACHE STRING "Update FTP server port")
set(ORBISEL_FTP_USER "upd" CACHE STRING "Update FTP account name (three letters)")
set(ORBISEL_FTP_TIMEOUT_S 20 CACHE STRING "FTP connect and stall time-out, seconds")

# Marketplace and web hosts
set(ORBISEL_SUGGEST_HOST "suggest.taobao.com" CACHE STRING "Search-suggestion host (/sug)")
set(ORBISEL_SEARCH_HOST "s.taobao.com" CACHE STRING "Search page host (/search)")
set(ORBISEL_FILES_HOST "files.alicdn.com" CACHE STRING "Marketplace file-service host of the list downloads")
set(ORBISEL_INDEX_HOST "index.1688.com" CACHE STRING "1688 index site host")
set(ORBISEL_CRM_HOST "crm.taobao.com" CACHE STRING "Customer-relationship site host")
set(ORBISEL_DATASHARE_HOST "127.0.0.1" CACHE STRING "Data-sharing site host (port 88, /Index.aspx)")
set(ORBISEL_COURSE_HOST "ke.qq.com" CACHE STRING "QQ classroom course page host")
set(ORBISEL_COURSE_CID "2745312" CACHE STRING "Course page cid")
set(ORBISEL_COURSE_TERM_ID "102853967" CACHE STRING "Course page term_id")
set(ORBISEL_COURSE_TAID "2930457" CACHE STRING "Course page taid")

# Web request
set(ORBISEL_HTTP_CONNECT_TIMEOUT_S 15 CACHE STRING "HTTP connect time-out, seconds")
set(ORBISEL_HTTP_STALL_TIMEOUT_S 30 CACHE STRING "HTTP stall time-out (no byte received), seconds")
set(ORBISEL_HTTP_DEADLINE_S 120 CACHE STRING "HTTP overall deadline of one request, redirects included, seconds")
set(ORBISEL_HTTP_MAX_BODY_BYTES 67108864 CACHE STRING "Largest response body accepted, bytes")

# Ledger
set(ORBISEL_LEDGER_MAX_FILE_BYTES 268435456 CACHE STRING "Largest ledger file read back, bytes; a bigger one counts as damaged")
set(ORBISEL_SPREADSHEET_PROBE_TIMEOUT_MS 5000 CACHE STRING "Time allowed to ask the desktop for its spreadsheet application, milliseconds")
# Deep mining
set(ORBISEL_ROOT_WORD_DICTIONARY "/usr/lib/python3/dist-packages/jieba/dict.txt" CACHE FILEPATH "Word-frequency dictionary of the root-word segmenter (python3-jieba's dict.txt)")
# JSON document
set(ORBISEL_JSON_HEAP_LIMIT_BYTES 268435456 CACHE STRING "Largest memory one JSON document's script engine may hold, bytes")

# Debian package
set(ORBISEL_PACKAGE_MAINTAINER "The Orbisel developers <orbisel@example.com>" CACHE STRING
  "Maintainer field of the Debian package (name <address>)")
set(ORBISEL_HOMEPAGE "https://orbisel.example.com/" CACHE STRING
  "Homepage of the metainfo and the Debian package")

set(ORBISEL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/config.h.in ${ORBISEL_GENERATED_DIR}/orbisel/config.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${ORBISEL_GENERATED_DIR}/orbisel/version.h @ONLY)
