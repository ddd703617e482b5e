// Data access in place of ADO: a connection reached through a connection
// string, stored procedures with typed parameters, and record sets.
//
// Built on ODBC (unixODBC): any ODBC driver serves, chosen by the connection
// string ("Driver={PostgreSQL Unicode};Servername=...;" and the like). Text
// crosses to the driver as wide characters, so the process locale never
// matters; inside the program it is UTF-8.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Any failure of the data layer; the text carries the driver's diagnostics.
class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The call did not answer before the caller's deadline, or the caller gave
// up waiting (CallStoredProc).
class DbTimeout : public DbError {
 public:
  using DbError::DbError;
};

// A result set held in memory: the whole set is fetched when the procedure
// has run, so the record count is the true one. Tests build one directly.
class RecordSet {
 public:
  using Row = std::vector<std::optional<std::string>>;  // nullopt = null

  RecordSet() = default;
  // Every row must have one value per field.
  RecordSet(std::vector<std::string> fieldNames, std::vector<Row> rows);

  int32_t RecordCount() const { return static_cast<int32_t>(rows_.size()); }
  int32_t FieldCount() const { return static_cast<int32_t>(names_.size()); }
  const std::string& FieldName(int32_t index) const { return names_.at(index); }

  // The cursor: First and Last move to the first and last record, Next one
  // on; Eof is true past the last record (and at once for an empty set).
  void First() { pos_ = 0; }
  void Last() { pos_ = rows_.empty() ? 0 : rows_.size() - 1; }
  void Next() {
    if (pos_ < rows_.size()) ++pos_;
  }
  bool Eof() const { return pos_ >= rows_.size(); }
  int32_t RecNo() const { return static_cast<int32_t>(pos_) + 1; }  // 1-based

  // Fields by name without regard to ASCII case; -1 when there is none.
  int32_t FieldIndex(std::string_view name) const;
  bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }

  // The current record's value of a field. An unknown field, or no current
  // record, raises DbError.
  const std::optional<std::string>& Value(std::string_view name) const;
  bool IsNull(std::string_view name) const { return !Value(name).has_value(); }
  // Null reads as the empty text.
  std::string AsText(std::string_view name) const { return Value(name).value_or(std::string()); }
  // Null, or text that is not a 32-bit integer, raises DbError.
  int32_t AsInteger(std::string_view name) const;

 private:
  std::vector<std::string> names_;
  std::unordered_map<std::string, int32_t> index_;  // lower-case name -> column
  std::vector<Row> rows_;
  size_t pos_ = 0;
};

// A connection to a data source. Closed when destroyed.
class DbConnection {
 public:
  DbConnection();
  ~DbConnection();
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  void SetConnectionString(std::string text) { connectionString_ = std::move(text); }
  const std::string& ConnectionString() const { return connectionString_; }
  // Seconds to wait for the server when opening; 0 waits as long as the
  // driver does.
  void SetLoginTimeout(int seconds) { loginTimeout_ = seconds; }
  int LoginTimeout() const { return loginTimeout_; }

  // Opens the connection; raises DbError when it cannot.
  void Open();
  void Close();
  bool Connected() const { return connected_; }

  void* Handle() const { return dbc_; }  // the ODBC connection handle
  // Changes whenever the connection closes: the driver frees the statements
  // of a connection with it.
  uint64_t Session() const { return session_; }

 private:
  std::string connectionString_;
  uint64_t session_ = 0;
  int loginTimeout_ = 15;
  void* env_ = nullptr;
  void* dbc_ = nullptr;
  bool connected_ = false;
};

enum class ParamType { String, WideString, Integer };
enum class ParamDirection { Input, Output, InputOutput };

struct Parameter {
  std::string Name;
  ParamType Type = ParamType::String;
  ParamDirection Direction = ParamDirection::Input;
  int32_t Size = 0;                  // characters, for text
  std::optional<std::string> Value;  // nullopt = null; output values land here

  std::string AsText() const { return Value.value_or(std::string()); }
};

// A stored procedure called as "{call Name(?, ?, ...)}" with its parameters
// in the order they were created. What it returns as a result set is read
// whole into ResultSet(); output parameters are read once it has run.
class StoredProc {
 public:
  explicit StoredProc(DbConnection* connection = nullptr) : connection_(connection) {}
  ~StoredProc();
  StoredProc(const StoredProc&) = delete;
  StoredProc& operator=(const StoredProc&) = delete;

  void SetConnection(DbConnection* connection) { connection_ = connection; }
  void SetProcedureName(std::string name) { name_ = std::move(name); }
  const std::string& ProcedureName() const { return name_; }

  // Seconds a call may run before it is cancelled with an error; 0 waits
  // for ever. The driver hands this limit to the server, so a server that
  // has stopped running (a paused process, a frozen host, a network that
  // drops packets silently) never ends the call: CallStoredProc bounds the
  // wait on the caller's side.
  void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }
  int CommandTimeout() const { return commandTimeout_; }

  void ClearParameters() { params_.clear(); }
  Parameter& CreateParameter(std::string name, ParamType type, ParamDirection direction,
                             int32_t size, std::optional<std::string> value = std::nullopt);
  // A parameter by name without regard to ASCII case; DbError when none.
  Parameter& ParamByName(std::string_view name);
  const std::vector<Parameter>& Parameters() const { return params_; }

  // Runs the procedure on the open connection; raises DbError on failure.
  void ExecProc();
  RecordSet& ResultSet() { return result_; }
  // Forgets the result set and releases the statement (closing the
  // connection first is allowed).
  void Close();

 private:
  DbConnection* connection_;
  int commandTimeout_ = 30;
  std::string name_;
  std::vector<Parameter> params_;
  RecordSet result_;
  void* stmt_ = nullptr;
  const DbConnection* stmtConnection_ = nullptr;  // the connection and session of stmt_
  uint64_t stmtSession_ = 0;
};

// ---- Calls with a deadline on the caller's clock

// One stored procedure call, described whole: CallStoredProc runs it on a
// connection of its own.
struct StoredProcCall {
  std::string ConnectionString;
  int LoginTimeout = 15;    // seconds to open the connection; 0 = as long as the driver waits
  int CommandTimeout = 30;  // seconds the procedure may run; 0 = for ever
  std::string ProcedureName;
  std::vector<Parameter> Parameters;  // in call order, input values set
};

// What the procedure answered.
struct StoredProcAnswer {
  std::vector<Parameter> Parameters;  // the call's parameters, output values filled in
  RecordSet ResultSet;                // its first result set, at the first record
  // A parameter by name without regard to ASCII case; DbError when none.
  const Parameter& ParamByName(std::string_view name) const;
};

// Opens a connection, runs the procedure, reads its answer whole and closes
// the connection again, while the calling thread waits at most
// LoginTimeout + CommandTimeout seconds, measured on its own clock (no
// limit when either is 0), or until `stop` is requested.
//
// Raises DbError when the connection or the call fails, DbTimeout (a
// DbError) when the deadline passes or `stop` is requested first. The call
// then goes on in the driver on a thread of its own, which the caller no
// longer waits for: when it ends, its answer is thrown away and its
// connection closed on that thread. It touches nothing but its own copy of
// `call` and its own connection, so the caller may free what it likes and
// the program may end while such a call is still stuck.
//
// Usable from any thread, the GUI thread included (it blocks it for that
// long).
StoredProcAnswer CallStoredProc(StoredProcCall call, std::stop_token stop = {});

// Calls of CallStoredProc whose work in the driver has not ended yet, those
// left behind after their deadline included.
int RunningStoredProcCalls();

// For the end of main, once the windows are gone. A call still stuck in the
// driver would be inside the driver's libraries while the exit handlers of
// those libraries tear down their locks and tables, so: waits up to `grace`
// for running calls to end and returns when none is left; otherwise flushes
// the standard streams and ends the process at once with `code`, without
// exit handlers.
void ExitIfDbCallsStuck(int code, std::chrono::milliseconds grace = std::chrono::seconds(1));

}  // namespace platform
