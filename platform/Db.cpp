#include "platform/Db.h"

#include "platform/DelphiRtl.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

std::u16string ToWide(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
}

std::string FromWide(const char16_t* text, size_t length) {
  return QString::fromUtf16(text, static_cast<qsizetype>(length)).toStdString();
}

SQLWCHAR* W(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

std::string LowerAscii(std::string_view text) {
  std::string r(text);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool Ok(SQLRETURN r) { return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO; }

// "what: [SQLSTATE] message; [SQLSTATE] message" from the handle's diagnostics.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle, std::string_view what) {
  std::string text(what);
  if (!handle) return text;
  for (SQLSMALLINT i = 1; i <= 8; ++i) {
    SQLWCHAR state[6] = {};
    SQLWCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN r = SQLGetDiagRecW(type, handle, i, state, &native, message,
                                 static_cast<SQLSMALLINT>(std::size(message)), &length);
    if (!Ok(r)) break;
    length = std::clamp<SQLSMALLINT>(length, 0, static_cast<SQLSMALLINT>(std::size(message) - 1));
    text += i == 1 ? ": [" : "; [";
    text += FromWide(reinterpret_cast<const char16_t*>(state), 5);
    text += "] ";
    text += FromWide(reinterpret_cast<const char16_t*>(message), static_cast<size_t>(length));
  }
  return text;
}

void Check(SQLRETURN r, SQLSMALLINT type, SQLHANDLE handle, std::string_view what) {
  if (!Ok(r) && r != SQL_NO_DATA) throw DbError(Diagnostics(type, handle, what));
}

// The value of one column of the current row; nullopt for null.
std::optional<std::string> GetText(SQLHSTMT stmt, SQLUSMALLINT column) {
  char16_t buffer[256];
  std::u16string text;
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN r = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
    if (r == SQL_NO_DATA) break;
    Check(r, SQL_HANDLE_STMT, stmt, "reading a column");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    constexpr SQLLEN room = sizeof buffer - sizeof(char16_t);
    size_t got = (indicator == SQL_NO_TOTAL || indicator > room) ? room / sizeof(char16_t)
                                                                 : indicator / sizeof(char16_t);
    text.append(buffer, got);
    if (r == SQL_SUCCESS) break;  // SQL_SUCCESS_WITH_INFO: more to come
  }
  return FromWide(text.data(), text.size());
}

// The index of a parameter by name without regard to ASCII case.
size_t ParamIndex(const std::vector<Parameter>& params, std::string_view name) {
  std::string key = LowerAscii(name);
  for (size_t i = 0; i < params.size(); ++i)
    if (LowerAscii(params[i].Name) == key) return i;
  throw DbError("parameter not found: " + std::string(name));
}

RecordSet FetchAll(SQLHSTMT stmt, SQLSMALLINT columns) {
  std::vector<std::string> names;
  for (SQLUSMALLINT c = 1; c <= columns; ++c) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    Check(SQLDescribeColW(stmt, c, name, static_cast<SQLSMALLINT>(std::size(name)), &length, &type,
                          &size, &digits, &nullable),
          SQL_HANDLE_STMT, stmt, "describing the result set");
    length = std::clamp<SQLSMALLINT>(length, 0, static_cast<SQLSMALLINT>(std::size(name) - 1));
    names.push_back(FromWide(reinterpret_cast<const char16_t*>(name), static_cast<size_t>(length)));
  }
  std::vector<RecordSet::Row> rows;
  for (;;) {
    SQLRETURN r = SQLFetch(stmt);
    if (r == SQL_NO_DATA) break;
    Check(r, SQL_HANDLE_STMT, stmt, "fetching a record");
    RecordSet::Row row;
    row.reserve(names.size());
    for (SQLUSMALLINT c = 1; c <= columns; ++c) row.push_back(GetText(stmt, c));
    rows.push_back(std::move(row));
  }
  return RecordSet(std::move(names), std::move(rows));
}

}  // namespace

// ---------------------------------------------------------------- RecordSet

RecordSet::RecordSet(std::vector<std::string> fieldNames, std::vector<Row> rows)
    : names_(std::move(fieldNames)), rows_(std::move(rows)) {
  for (size_t i = 0; i < names_.size(); ++i)
    index_.emplace(LowerAscii(names_[i]),
                   static_cast<int32_t>(i));  // the first of equal names wins
  for (const Row& row : rows_)
    if (row.size() != names_.size()) throw DbError("RecordSet: a row does not match the fields");
}

int32_t RecordSet::FieldIndex(std::string_view name) const {
  auto it = index_.find(LowerAscii(name));
  return it == index_.end() ? -1 : it->second;
}

const std::optional<std::string>& RecordSet::Value(std::string_view name) const {
  int32_t i = FieldIndex(name);
  if (i < 0) throw DbError("field not found: " + std::string(name));
  if (Eof()) throw DbError("no current record");
  return rows_[pos_][static_cast<size_t>(i)];
}

int32_t RecordSet::AsInteger(std::string_view name) const {
  const auto& v = Value(name);
  int32_t result = 0;
  if (!v) throw DbError("field " + std::string(name) + " is null");
  if (!TryStrToInt(*v, result))
    throw DbError("field " + std::string(name) + " is not an integer: '" + *v + "'");
  return result;
}

// ------------------------------------------------------------- DbConnection

DbConnection::DbConnection() = default;

DbConnection::~DbConnection() { Close(); }

void DbConnection::Open() {
  Close();
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw DbError("cannot start the ODBC driver manager");
  env_ = env;
  Check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, env, "ODBC version");
  Check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "connection handle");
  dbc_ = dbc;
  if (loginTimeout_ > 0)
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeout_)), 0);
  std::u16string text = ToWide(connectionString_);
  SQLWCHAR out[1024];
  SQLSMALLINT outLength = 0;
  SQLRETURN r =
      SQLDriverConnectW(dbc, nullptr, W(text), static_cast<SQLSMALLINT>(text.size()), out,
                        static_cast<SQLSMALLINT>(std::size(out)), &outLength, SQL_DRIVER_NOPROMPT);
  if (!Ok(r)) {
    std::string message = Diagnostics(SQL_HANDLE_DBC, dbc, "cannot connect to the data source");
    Close();
    throw DbError(message);
  }
  connected_ = true;
}

void DbConnection::Close() {
  ++session_;
  if (connected_) SQLDisconnect(static_cast<SQLHDBC>(dbc_));
  connected_ = false;
  if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
  if (env_) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
  dbc_ = env_ = nullptr;
}

// --------------------------------------------------------------- StoredProc

StoredProc::~StoredProc() { Close(); }

Parameter& StoredProc::CreateParameter(std::string name, ParamType type, ParamDirection direction,
                                       int32_t size, std::optional<std::string> value) {
  params_.push_back(Parameter{std::move(name), type, direction, size, std::move(value)});
  return params_.back();
}

Parameter& StoredProc::ParamByName(std::string_view name) {
  return params_[ParamIndex(params_, name)];
}

void StoredProc::Close() {
  result_ = RecordSet();
  if (stmt_ && stmtConnection_->Session() == stmtSession_)
    SQLFreeHandle(SQL_HANDLE_STMT, static_cast<SQLHSTMT>(stmt_));
  stmt_ = nullptr;
}

void StoredProc::ExecProc() {
  Close();
  if (!connection_ || !connection_->Connected()) throw DbError("the connection is not open");
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connection_->Handle()), &stmt),
        SQL_HANDLE_DBC, connection_->Handle(), "statement handle");
  stmt_ = stmt;
  stmtConnection_ = connection_;
  stmtSession_ = connection_->Session();
  Check(SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(commandTimeout_, 0))), 0),
        SQL_HANDLE_STMT, stmt, "setting the time-out of " + name_);

  std::string call = "{call " + name_ + "(";
  for (size_t i = 0; i < params_.size(); ++i) call += i ? ",?" : "?";
  call += ")}";
  std::u16string wideCall = ToWide(call);
  Check(SQLPrepareW(stmt, W(wideCall), static_cast<SQLINTEGER>(wideCall.size())), SQL_HANDLE_STMT,
        stmt, "preparing " + name_);

  // Buffers stay in place until the output values have been read back.
  const size_t n = params_.size();
  std::vector<std::u16string> texts(n);
  std::vector<SQLINTEGER> integers(n, 0);
  std::vector<SQLLEN> indicators(n, 0);
  for (size_t i = 0; i < n; ++i) {
    const Parameter& p = params_[i];
    SQLSMALLINT io = p.Direction == ParamDirection::Input    ? SQL_PARAM_INPUT
                     : p.Direction == ParamDirection::Output ? SQL_PARAM_OUTPUT
                                                             : SQL_PARAM_INPUT_OUTPUT;
    bool sendsValue = p.Direction != ParamDirection::Output && p.Value.has_value();
    indicators[i] = sendsValue ? 0 : SQL_NULL_DATA;
    auto number = static_cast<SQLUSMALLINT>(i + 1);
    SQLRETURN r;
    if (p.Type == ParamType::Integer) {
      if (sendsValue) integers[i] = StrToInt(*p.Value);
      r = SQLBindParameter(stmt, number, io, SQL_C_SLONG, SQL_INTEGER, 0, 0, &integers[i], 0,
                           &indicators[i]);
    } else {
      std::u16string value = sendsValue ? ToWide(*p.Value) : std::u16string();
      size_t room = std::max<size_t>({static_cast<size_t>(std::max(p.Size, 0)), value.size(), 1});
      texts[i] = value;
      texts[i].resize(room + 1, u'\0');
      if (sendsValue) indicators[i] = static_cast<SQLLEN>(value.size() * sizeof(char16_t));
      r = SQLBindParameter(stmt, number, io, SQL_C_WCHAR, SQL_WVARCHAR, room, 0, W(texts[i]),
                           static_cast<SQLLEN>(texts[i].size() * sizeof(char16_t)), &indicators[i]);
    }
    Check(r, SQL_HANDLE_STMT, stmt, "binding parameter " + p.Name);
  }

  Check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "running " + name_);

  // The first result set is kept; later ones are passed over, after which
  // the driver has delivered the output parameters.
  bool haveResult = false;
  for (;;) {
    SQLSMALLINT columns = 0;
    Check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt,
          "reading the result of " + name_);
    if (columns > 0 && !haveResult) {
      result_ = FetchAll(stmt, columns);
      haveResult = true;
    }
    SQLRETURN r = SQLMoreResults(stmt);
    if (r == SQL_NO_DATA) break;
    Check(r, SQL_HANDLE_STMT, stmt, "reading the result of " + name_);
  }

  for (size_t i = 0; i < n; ++i) {
    Parameter& p = params_[i];
    if (p.Direction == ParamDirection::Input) continue;
    if (indicators[i] == SQL_NULL_DATA) {
      p.Value.reset();
    } else if (p.Type == ParamType::Integer) {
      p.Value = std::to_string(integers[i]);
    } else {
      size_t chars = texts[i].size() - 1;
      if (indicators[i] >= 0)
        chars = std::min(chars, static_cast<size_t>(indicators[i]) / sizeof(char16_t));
      p.Value = FromWide(texts[i].data(), chars);
    }
  }
  result_.First();
}

// ------------------------------------------------- calls with a deadline

const Parameter& StoredProcAnswer::ParamByName(std::string_view name) const {
  return Parameters[ParamIndex(Parameters, name)];
}

namespace {

// Trivially destructible, so a call that ends while the program exits
// still finds it.
std::atomic<int> runningCalls{0};

// Shared by the caller and the thread that runs the call; the thread keeps
// it alive when the caller has left.
struct CallState {
  std::mutex Mutex;
  std::condition_variable Ended;
  bool Finished = false;
  StoredProcAnswer Answer;
  std::optional<std::string> Error;  // the failure's text; no exception object crosses threads
};

void RunCall(const StoredProcCall& call, CallState& state) {
  StoredProcAnswer answer;
  std::optional<std::string> error;
  try {
    DbConnection connection;
    connection.SetConnectionString(call.ConnectionString);
    connection.SetLoginTimeout(call.LoginTimeout);
    connection.Open();
    StoredProc proc(&connection);
    proc.SetProcedureName(call.ProcedureName);
    proc.SetCommandTimeout(call.CommandTimeout);
    for (const Parameter& p : call.Parameters)
      proc.CreateParameter(p.Name, p.Type, p.Direction, p.Size, p.Value);
    proc.ExecProc();
    answer.Parameters = proc.Parameters();
    answer.ResultSet = std::move(proc.ResultSet());
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = call.ProcedureName + ": an unknown failure";
  }
  {
    std::lock_guard lock(state.Mutex);
    state.Answer = std::move(answer);
    state.Error = error;
    state.Finished = true;
  }
  state.Ended.notify_all();
}

}  // namespace

StoredProcAnswer CallStoredProc(StoredProcCall call, std::stop_token stop) {
  using Clock = std::chrono::steady_clock;
  const bool bounded = call.LoginTimeout > 0 && call.CommandTimeout > 0;
  const auto limit = std::chrono::seconds(int64_t{call.LoginTimeout} + call.CommandTimeout);
  const auto deadline = Clock::now() + limit;
  const std::string name = call.ProcedureName;

  auto state = std::make_shared<CallState>();
  ++runningCalls;
  try {
    std::thread([state, call = std::move(call)]() mutable {
      RunCall(call, *state);
      state.reset();
      call = StoredProcCall();
      --runningCalls;  // the last thing this call does
    }).detach();
  } catch (const std::system_error& e) {
    --runningCalls;
    throw DbError(name + ": no thread for the call: " + e.what());
  }

  // A stop request wakes the wait below; it takes the lock, so the wake-up
  // cannot fall between the waiter's check and its sleep.
  std::stop_callback wake(stop, [&state] {
    std::lock_guard lock(state->Mutex);
    state->Ended.notify_all();
  });
  std::unique_lock lock(state->Mutex);
  auto over = [&] { return state->Finished || stop.stop_requested(); };
  if (bounded)
    state->Ended.wait_until(lock, deadline, over);
  else
    state->Ended.wait(lock, over);
  if (!state->Finished) {
    if (stop.stop_requested()) throw DbTimeout(name + ": the caller stopped waiting");
    throw DbTimeout(name + ": no answer within " + std::to_string(limit.count()) + " s");
  }
  if (state->Error) throw DbError(*state->Error);
  return std::move(state->Answer);
}

int RunningStoredProcCalls() { return runningCalls.load(); }

void ExitIfDbCallsStuck(int code, std::chrono::milliseconds grace) {
  const auto end = std::chrono::steady_clock::now() + grace;
  while (runningCalls.load() > 0) {
    if (std::chrono::steady_clock::now() >= end) {
      std::fflush(nullptr);
      std::_Exit(code);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace platform
