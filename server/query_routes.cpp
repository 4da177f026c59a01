// The query server "/query/chsquery.php": unscrambles the submitted fields, stores every
// submission with its data item in SQLite and answers with the chs_ keys.
//
// Reply policy (--set):
//   query.ask=1|0        ask for the data (chs_reply=2) when a submission comes without it
//   query.session=N      the session id handed out (default: the stored submission's row id)
//   query.reply=N        always answer this chs_reply value
//   query.extra=TEXT     appended to every reply (for instance "chs_exitcode=3")
//   query.fail=1         answer 500 with an error page that carries no chs_ key
// Commands: qws-server report [--db FILE] [ID] prints a stored data item (the latest without
// ID); qws-server submissions [--db FILE] lists what was stored.
#include <sqlite3.h>

#include <iostream>
#include <memory>

#include "report/submission_form.h"
#include "server/server_context.h"

namespace qws::server {
namespace {

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS submissions ("
    " id INTEGER PRIMARY KEY, received TEXT DEFAULT CURRENT_TIMESTAMP, mode INTEGER,"
    " pversion TEXT, sversion TEXT, gmdatetime TEXT, datetime TEXT, datatype TEXT, key TEXT,"
    " priority TEXT, hitcount TEXT, firsthitdate TEXT, lasthitdate TEXT,"
    " firsthitdatedelta TEXT, attributes TEXT, sessionid TEXT, valid TEXT, data BLOB)";

// The text fields in the order of the table's columns, with whether the client scrambles them.
constexpr std::pair<const char*, bool> kFields[] = {
    {"chc_pversion", false}, {"chc_sversion", false}, {"chc_gmdatetime", false},
    {"chc_datetime", false}, {"datatype", true},      {"key", true},
    {"priority", true},      {"hitcount", true},      {"firsthitdate", true},
    {"lasthitdate", true},   {"firsthitdatedelta", true}, {"attributes", true},
    {"sessionid", true},     {"chc_valid", false}};

Database OpenDatabase(const std::filesystem::path& path) {
  sqlite3* raw = nullptr;
  if (sqlite3_open(path.c_str(), &raw) != SQLITE_OK) {
    sqlite3_close(raw);
    return nullptr;
  }
  Database db(raw);
  sqlite3_busy_timeout(raw, 5000);
  if (sqlite3_exec(raw, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) return nullptr;
  return db;
}

std::string Field(const httplib::Request& request, const char* name, bool scrambled) {
  if (!request.has_file(name)) return {};
  std::string value = request.get_file_value(name).content;
  if (scrambled) ScrambleText(value.data(), value.size(), 0);
  return value;
}

// The stored row's id, or -1.
int64_t Store(const ServerContext& context, const httplib::Request& request, bool withData) {
  Database db = OpenDatabase(context.database);
  if (!db) return -1;
  sqlite3_stmt* raw = nullptr;
  const char* sql =
      "INSERT INTO submissions (mode, pversion, sversion, gmdatetime, datetime, datatype, key,"
      " priority, hitcount, firsthitdate, lasthitdate, firsthitdatedelta, attributes, sessionid,"
      " valid, data) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
  if (sqlite3_prepare_v2(db.get(), sql, -1, &raw, nullptr) != SQLITE_OK) return -1;
  Statement statement(raw);
  sqlite3_bind_int(raw, 1, withData ? 1 : 0);
  int column = 2;
  for (const auto& [name, scrambled] : kFields) {
    const std::string value = Field(request, name, scrambled);
    sqlite3_bind_text(raw, column++, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
  if (withData) {
    std::string data = request.get_file_value("file").content;
    ScrambleFileData(data.data(), data.size(), 0);
    sqlite3_bind_blob(raw, column, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(raw, column);
  }
  if (sqlite3_step(raw) != SQLITE_DONE) return -1;
  return sqlite3_last_insert_rowid(db.get());
}

void Answer(const ServerContext& context, const httplib::Request& request,
            httplib::Response& response) {
  if (context.Option("query.fail") == "1") {
    response.status = 500;
    response.set_content("<html><body>Internal Server Error</body></html>", "text/html");
    return;
  }
  const bool withData = request.has_file("file");
  const int64_t id = Store(context, request, withData);
  if (id < 0) {
    response.status = 500;
    response.set_content("cannot store the submission\n", "text/plain");
    return;
  }
  const bool ask = context.Option("query.ask", "1") == "1";
  std::string reply = context.Option("query.reply", !withData && ask ? "2" : "0");
  std::string text = "chs_reply=" + reply + "\r\n";
  text += "chs_sessionid=" + context.Option("query.session", std::to_string(id)) + "\r\n";
  const std::string extra = context.Option("query.extra");
  if (!extra.empty()) text += extra + "\r\n";
  response.set_content(text, "text/plain");
}

// The request line carries the absolute address, which the router sees as the path.
const RouteRegistration kQuery("query", [](httplib::Server& server, ServerContext& context) {
  server.Post(R"((?:http://[^/]+)?/query/chsquery\.php)",
              [&context](const httplib::Request& request, httplib::Response& response) {
                Answer(context, request, response);
              });
});

int PrintReport(const ServerContext& context, const std::vector<std::string>& args) {
  Database db = OpenDatabase(context.database);
  if (!db) {
    std::cerr << "qws-server: cannot open " << context.database << "\n";
    return 1;
  }
  const bool latest = args.empty();
  const char* sql = latest
      ? "SELECT data FROM submissions WHERE data IS NOT NULL ORDER BY id DESC LIMIT 1"
      : "SELECT data FROM submissions WHERE id = ? AND data IS NOT NULL";
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql, -1, &raw, nullptr) != SQLITE_OK) return 1;
  Statement statement(raw);
  if (!latest) sqlite3_bind_int64(raw, 1, std::atoll(args[0].c_str()));
  if (sqlite3_step(raw) != SQLITE_ROW) {
    std::cerr << "qws-server: no stored report\n";
    return 1;
  }
  std::string data(static_cast<const char*>(sqlite3_column_blob(raw, 0)),
                   static_cast<size_t>(sqlite3_column_bytes(raw, 0)));
  // The report travels with its terminating NUL; the text ends before it.
  if (!data.empty() && data.back() == '\0') data.pop_back();
  std::cout << data << std::flush;
  return 0;
}

int ListSubmissions(const ServerContext& context, const std::vector<std::string>&) {
  Database db = OpenDatabase(context.database);
  if (!db) {
    std::cerr << "qws-server: cannot open " << context.database << "\n";
    return 1;
  }
  sqlite3_stmt* raw = nullptr;
  const char* sql = "SELECT id, mode, sessionid, key, datatype, length(data) FROM submissions ORDER BY id";
  if (sqlite3_prepare_v2(db.get(), sql, -1, &raw, nullptr) != SQLITE_OK) return 1;
  Statement statement(raw);
  auto text = [raw](int column) {
    const unsigned char* value = sqlite3_column_text(raw, column);
    return std::string(value ? reinterpret_cast<const char*>(value) : "");
  };
  while (sqlite3_step(raw) == SQLITE_ROW) {
    std::cout << "id=" << sqlite3_column_int64(raw, 0) << " mode=" << sqlite3_column_int(raw, 1)
              << " session=" << text(2) << " key=" << text(3) << " datatype=" << text(4)
              << " bytes=" << sqlite3_column_int64(raw, 5) << "\n";
  }
  return 0;
}

const CommandRegistration kSubmissions("submissions", "[--db FILE]   list the stored submissions",
                                       ListSubmissions);
const CommandRegistration kReport("report", "[--db FILE] [ID]   print a stored report", PrintReport);

}  // namespace
}  // namespace qws::server
