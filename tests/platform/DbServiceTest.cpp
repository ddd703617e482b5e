// Stored procedure calls against the project's own data service: values of
// every kind both ways, a closed connection, and calls past their deadline.
#include "platform/Db.h"

#include "support/DataService.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace platform;
using namespace std::chrono_literals;

namespace {

// The service with two procedures of the tests' own: an echo of its input
// beside values past 32 bits, long texts and nulls; and a stall that takes
// the given seconds whatever cancels it (a server that does not answer).
// The tests run side by side: the lock lets one process at a time make them.
const testsupport::DataService& Service() {
  static const testsupport::DataService service;
  static const bool made = service.Sql(R"(SELECT pg_advisory_xact_lock(4711);
    CREATE OR REPLACE FUNCTION db_echo(p_text varchar, p_int integer, p_null varchar,
        OUT o_text varchar, OUT o_int integer, OUT o_null varchar, OUT o_big bigint)
      RETURNS SETOF record LANGUAGE plpgsql AS $$ BEGIN
        o_text := p_text; o_int := p_int; o_null := p_null; o_big := 9007199254740993; RETURN NEXT;
        o_text := repeat('长', 700); o_int := NULL; o_big := -9223372036854775808; RETURN NEXT;
      END $$;
    CREATE OR REPLACE FUNCTION db_stall(p_seconds integer) RETURNS integer LANGUAGE plpgsql AS $$
      DECLARE t0 timestamptz := clock_timestamp(); BEGIN
        -- The whole wait sits inside the block, so a cancel taken anywhere
        -- in it (not only in the sleep) is swallowed and the wait goes on.
        LOOP
          BEGIN
            WHILE clock_timestamp() < t0 + p_seconds * interval '1 s' LOOP PERFORM pg_sleep(0.02); END LOOP;
            EXIT;
          EXCEPTION WHEN query_canceled THEN END;
        END LOOP;
        RETURN p_seconds;
      END $$;
    GRANT EXECUTE ON FUNCTION db_echo(varchar, integer, varchar), db_stall(integer) TO ssq_client;)");
  EXPECT_TRUE(made);
  return service;
}

std::vector<Parameter> EchoParameters(const std::string& text) {
  return {{"p_text", ParamType::String, ParamDirection::Input, 10, text},
          {"p_int", ParamType::Integer, ParamDirection::Input, 0, "-2147483648"},
          {"p_null", ParamType::WideString, ParamDirection::Input, 50, std::nullopt},
          {"o_text", ParamType::WideString, ParamDirection::Output, 2000, "stale"},
          {"o_int", ParamType::Integer, ParamDirection::Output, 0, "5"},
          {"o_null", ParamType::String, ParamDirection::Output, 50, "stale"}};
}

// The kind and text of the error `call` raises; empty when it raises none.
std::string Failure(const std::function<void()>& call) {
  try {
    call();
  } catch (const DbTimeout& e) {
    return "DbTimeout " + std::string(e.what());
  } catch (const DbError& e) {
    return "DbError " + std::string(e.what());
  }
  return "";
}

}  // namespace

// Text longer than one read of a column, integers past 32 bits, nulls in
// parameters and columns.
TEST(DbService, ValuesOfEveryKindCrossBothWays) {
  const std::string text = "双色球 " + std::string(600, 'x');
  std::string wide;
  for (int i = 0; i < 700; ++i) wide += "长";
  StoredProcAnswer answer = CallStoredProc({Service().ConnectionString(), 5, 10, "db_echo", EchoParameters(text)});
  EXPECT_EQ(std::tuple(answer.ParamByName("O_TEXT").Value, answer.ParamByName("o_int").Value,
                       answer.ParamByName("o_null").Value),
            std::tuple(std::optional(text), std::optional<std::string>("-2147483648"), std::optional<std::string>()));
  RecordSet& rs = answer.ResultSet;
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(std::tuple(rs.AsText("o_text"), rs.AsInteger("o_int"), rs.AsText("o_big"), rs.IsNull("o_null")),
            std::tuple(text, INT32_MIN, std::string("9007199254740993"), true));
  EXPECT_THROW(rs.AsInteger("o_big"), DbError) << "past 32 bits";
  rs.Next();
  EXPECT_EQ(std::tuple(rs.AsText("o_text"), rs.IsNull("o_int"), rs.AsText("o_big")),
            std::tuple(wide, true, std::string("-9223372036854775808")));
}

// A procedure on a closed connection is refused with a message and its
// old answer is gone; reopened, the connection serves it again.
TEST(DbService, AClosedConnectionIsRefusedCleanly) {
  DbConnection connection;
  connection.SetConnectionString(Service().ConnectionString() + "Pwd=wrong;");
  const std::string refused = Failure([&] { connection.Open(); });
  EXPECT_TRUE(refused.starts_with("DbError cannot connect to the data source: [08001] ") &&
              refused.find("password authentication failed") != std::string::npos) << refused;
  connection.SetConnectionString(Service().ConnectionString());
  connection.Open();
  StoredProc proc(&connection);
  proc.SetProcedureName("db_echo");
  for (const Parameter& p : EchoParameters("a")) proc.CreateParameter(p.Name, p.Type, p.Direction, p.Size, p.Value);
  for (int round = 0; round < 2; ++round) {
    proc.ExecProc();
    EXPECT_EQ(proc.ResultSet().AsText("o_text"), "a");
    connection.Close();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(Failure([&] { proc.ExecProc(); }), "DbError the connection is not open");
    EXPECT_EQ(proc.ResultSet().RecordCount(), 0);
    connection.Open();
  }
}

// The server cancels a call past its command time-out; a server that does
// not answer ends the wait at the deadline (login plus command time-out,
// on the caller's clock) or when the caller stops, and the call, left
// behind, ends unseen when the server does.
TEST(DbService, ACallPastItsDeadlineFailsInsteadOfHanging) {
  const struct {
    const char* procedure;
    int loginTimeout, commandTimeout, seconds;
    bool stop;
    std::string error;  // the start of its text; none: the call answers
  } cases[] = {
      {"pg_sleep", 5, 1, 20, false, "DbError running pg_sleep: [57014] "},
      {"db_stall", 1, 1, 3, false, "DbTimeout db_stall: no answer within 2 s"},
      {"db_stall", 0, 1, 1, true, "DbTimeout db_stall: the caller stopped waiting"},
      {"db_stall", 0, 1, 2, false, ""},  // no limit on the caller's side
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    std::stop_source stop;
    std::jthread stopper([&] {
      std::this_thread::sleep_for(300ms);
      if (c.stop) stop.request_stop();
    });
    const std::string error = Failure([&] {
      const StoredProcAnswer answer = CallStoredProc(
          {Service().ConnectionString(), c.loginTimeout, c.commandTimeout, c.procedure,
           {{"p_seconds", ParamType::Integer, ParamDirection::Input, 0, std::to_string(c.seconds)}}},
          stop.get_token());
      EXPECT_EQ(answer.ResultSet.AsInteger("db_stall"), c.seconds);
    });
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
    if (c.error.starts_with("DbTimeout")) {
      EXPECT_EQ(RunningStoredProcCalls(), 1);
      EXPECT_EXIT(ExitIfDbCallsStuck(7, 50ms), ::testing::ExitedWithCode(7), "")
          << "a program that ends now does not wait for the call";
    }
    ExitIfDbCallsStuck(1, 30s);  // returns once the call has ended
  }
}
