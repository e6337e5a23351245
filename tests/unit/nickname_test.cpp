// The nickname lookup: the group's nickname file first, then the portrait endpoint,
// which a server on 127.0.0.1 stands in for; and the lookups of one export call, of
// which only the first may wait out the time bound on an endpoint that never answers.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

#include "boundary/exports.hpp"
#include "http_server.hpp"
#include "names/nickname.hpp"
#include "run_directory.hpp"

namespace quillora {
namespace {

using testing::HttpResponse;
using testing::LocalHttpServer;
using testing::WriteFileBytes;

constexpr char kPortraitPath[] = "/fcg-bin/cgi_get_portrait.fcg?uins=";

class NicknameTest : public testing::RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    testing::MakeFolder(Path("\\config\\Kelvaro"));
    UseEndpoint(server_.HostAndPort());
  }
  // The game file names the endpoint; group 100 may follow.
  void UseEndpoint(const std::string& host, const Bytes& group = "") {
    WriteFileBytes(GameFile(), "[Quillora]\r\n昵称接口=" + host + "\r\n" + group);
  }
  // The fifth player joins group 100 through the export, as the host calls it; the
  // reply lists all five, none of whom the nickname file names.
  Text JoinFifthOf(const std::string& host) {
    UseEndpoint(host, "[100]\r\n参加人数=4\r\n参加人员=10001|10002|10003|10004\r\n");
    return QuilloraJoin(nullptr, "2", "100", "10005", nullptr);
  }
  static Text RosterOfFive(const Text& nickname) {
    Text roster = "[bq57]当前加入人员有：[enter]";
    for (const char* number : {"1", "2", "3", "4", "5"})
      roster += Concat(number, "、【", nickname, "】[enter]");
    return roster + "发送 start 即可开始游戏[bq13]";
  }
  void WriteNicknames(const Bytes& content) {
    WriteFileBytes(Path("\\config\\Kelvaro\\100.ini"), content);
  }
  LocalHttpServer server_;
};

TEST_F(NicknameTest, FromTheNicknameFileWithoutARequest) {
  WriteNicknames("[12345]\r\n昵称=Ann\r\n[777]\r\n昵称=[bq14]小明 \r\n");
  server_.Respond("x,\"Web\",0]})");
  EXPECT_EQ(获取QQ昵称("12345", "100"), "【Ann】");
  EXPECT_EQ(获取QQ昵称("777", "100"), "【[bq14]小明】");  // markup passes; the file trims the value
  EXPECT_EQ(获取QQ昵称(" 12345", "100"), "【Ann】");      // section names skip leading blanks
  EXPECT_TRUE(server_.Requests().empty());
}

struct WebCase {
  const char* name;
  Bytes nicknameFile;  // empty: no nickname file for the group
  Bytes body;
  Text nickname;
};

TEST_F(NicknameTest, FromThePortraitEndpoint) {
  const WebCase cases[] = {
      {"no file", "", "x,\"Bob\",0]})", "【Bob】"},
      {"another account in the file", "[54321]\r\n昵称=Ann\r\n", "x,\"Bob\",0]})", "【Bob】"},
      {"empty value in the file", "[12345]\r\n昵称=\r\n", "x,\"Bob\",0]})", "【Bob】"},
      {"a GBK answer", "",
       "portraitCallBack({\"12345\":[\"http://127.0.0.1/g?b=1&s=100\",0,0,0,\"小红\",0]})",
       "【小红】"},
      {"left marker at the first byte", "", ",\"Bob\",0]})", "【Bob】"},
      {"no left marker: from the first byte", "", "Bob\",0]})", "【Bob】"},
      {"no right marker", "", "x,\"Bob\"", "【】"},
      {"neither marker", "", "nothing to see", "【】"},
      {"empty body", "", "", "【】"},
  };
  for (const WebCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RemoveFile(Path("\\config\\Kelvaro\\100.ini"));
    if (!c.nicknameFile.empty()) WriteNicknames(c.nicknameFile);
    server_.Respond(c.body);
    const size_t before = server_.Requests().size();
    EXPECT_EQ(获取QQ昵称("12345", "100"), c.nickname);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back().method, "GET");
    EXPECT_EQ(requests.back().target, std::string(kPortraitPath) + "12345");
  }
}

TEST_F(NicknameTest, AccountBytesThatBreakTheRequestLineAreEncoded) {
  struct Case {
    Text account;
    std::string query;
  };
  const Case cases[] = {
      {"12 34", "12%2034"},
      {" 99", "%2099"},  // the file lookup skips it, the request keeps it
      {"1\t2\r\n", "1%092%0D%0A"},
      {"\x01\x1F\x7F", "%01%1F%7F"},
      {"1%41+2", "1%41+2"},  // every other byte stands as it is
  };
  server_.Respond("x,\"Bob\",0]})");
  for (const Case& c : cases) {
    const size_t before = server_.Requests().size();
    EXPECT_EQ(获取QQ昵称(c.account, "100"), "【Bob】");
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back().target, std::string(kPortraitPath) + c.query);
  }
}

TEST_F(NicknameTest, NothingListeningGivesTheBracketsAlone) {
  std::string deadHost;
  {
    LocalHttpServer gone;
    deadHost = gone.HostAndPort();
  }
  UseEndpoint(deadHost);
  EXPECT_EQ(获取QQ昵称("12345", "100"), "【】");
}

TEST_F(NicknameTest, TheEndpointSettingIsReadAtEveryLookup) {
  LocalHttpServer other;
  server_.Respond("x,\"First\",0]})");
  other.Respond("x,\"Second\",0]})");
  EXPECT_EQ(获取QQ昵称("12345", "100"), "【First】");
  UseEndpoint(other.HostAndPort());
  EXPECT_EQ(获取QQ昵称("12345", "100"), "【Second】");
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(other.Requests().size(), 1u);
}

double SecondsOf(const std::function<Text()>& work, Text& result) {
  const auto start = std::chrono::steady_clock::now();
  result = work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(NicknameTest, ACallStopsAskingOnceALookupTimedOut) {
  server_.Silent(true);
  Text reply;
  // The bound is 5 seconds per lookup, 25 for five; the margin is for slow machines.
  EXPECT_LT(SecondsOf([&] { return JoinFifthOf(server_.HostAndPort()); }, reply), 8.0);
  EXPECT_EQ(reply, RosterOfFive(""));
  EXPECT_EQ(server_.Requests().size(), 1u);

  // The endpoint is back. A lookup outside any export call asks it, and the next call
  // asks it again, for every player.
  server_.Silent(false);
  server_.Respond("x,\"Bob\",0]})");
  EXPECT_EQ(获取QQ昵称("10001", "100"), "【Bob】");
  EXPECT_EQ(server_.Requests().size(), 2u);
  EXPECT_EQ(JoinFifthOf(server_.HostAndPort()), RosterOfFive("Bob"));
  EXPECT_EQ(server_.Requests().size(), 7u);
}

TEST_F(NicknameTest, FailuresThatComeAtOnceAndLateAnswersAskForEveryPlayer) {
  struct Case {
    const char* name;
    HttpResponse answer;
    int delayMilliseconds;
    Text nickname;
  };
  const Case cases[] = {
      {"a server error", {500, "Internal Server Error", {}, "oops", true}, 0, ""},
      {"an empty body", {200, "OK", {}, "", true}, 0, ""},
      {"no nickname in the answer", {200, "OK", {}, "portraitCallBack({})", true}, 0, ""},
      {"answers 300 ms late", {200, "OK", {}, "x,\"Bob\",0]})", true}, 300, "Bob"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LocalHttpServer server;
    server.Respond(c.answer);
    server.Delay(c.delayMilliseconds);
    EXPECT_EQ(JoinFifthOf(server.HostAndPort()), RosterOfFive(c.nickname));
    EXPECT_EQ(server.Requests().size(), 5u);
  }
}

}  // namespace
}  // namespace quillora
