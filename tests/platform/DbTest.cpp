#include "platform/Db.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(RecordSet, FieldsByNameWithoutRegardToCaseAndNullAware) {
  RecordSet rs({"DateNo", "R1", "info"},
               {{std::string("2025074"), std::string("07"), std::nullopt},
                {std::string("2025073"), std::nullopt, std::string("x")}});
  EXPECT_EQ(rs.RecordCount(), 2);
  rs.Last();
  EXPECT_EQ(rs.RecNo(), 2);
  rs.First();
  EXPECT_EQ(std::tuple(rs.Eof(), rs.AsText("dateno"), rs.AsInteger("DATENO"), rs.AsInteger("r1"), rs.IsNull("Info"),
                       rs.AsText("info")),
            std::tuple(false, std::string("2025074"), 2025074, 7, true, std::string()));  // null reads as empty text
  rs.Next();
  EXPECT_TRUE(rs.IsNull("R1") && rs.AsText("INFO") == "x");
  EXPECT_THROW(rs.AsInteger("R1"), DbError);
  EXPECT_THROW(rs.AsInteger("info"), DbError);  // not a number
  EXPECT_THROW(rs.Value("B1"), DbError);        // no such field
  EXPECT_EQ(rs.FieldIndex("b1"), -1);
  rs.Next();
  EXPECT_TRUE(rs.Eof());
  rs.Next();
  EXPECT_TRUE(rs.Eof()) << "stays past the end";
  EXPECT_THROW(rs.Value("R1"), DbError);  // no current record
}

TEST(RecordSet, AnEmptySetIsAtItsEndAtOnceAndRowsMustMatchTheFields) {
  RecordSet empty({"a"}, {});
  empty.Last();
  empty.First();
  EXPECT_TRUE(empty.Eof() && empty.RecordCount() == 0);
  EXPECT_THROW(RecordSet({"a", "b"}, {{std::string("1")}}), DbError);
}

TEST(DbConnection, AFailedOpenRaisesWithTheDriverManagersText) {
  DbConnection c;
  c.SetConnectionString("Driver={No Such Driver};Servername=127.0.0.1");
  try {
    c.Open();
    ADD_FAILURE() << "opened";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("No Such Driver"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(c.Connected());
  c.Close();  // closing twice is harmless

  StoredProc proc(&c);
  proc.SetProcedureName("Chk_Login");
  proc.CreateParameter("p_id", ParamType::String, ParamDirection::Input, 50, "demo");
  EXPECT_EQ(&proc.ParamByName("P_ID"), &proc.Parameters()[0]);
  EXPECT_THROW(proc.ParamByName("p_pwd"), DbError);
  EXPECT_THROW(proc.ExecProc(), DbError);  // not connected
}
