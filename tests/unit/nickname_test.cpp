// The nickname lookup: the group's nickname file first, then the portrait endpoint,
// which a server on 127.0.0.1 stands in for.
#include <gtest/gtest.h>

#include <optional>

#include "http_server.hpp"
#include "names/nickname.hpp"
#include "run_directory.hpp"

namespace quillora {
namespace {

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
  void UseEndpoint(const std::string& host) {
    WriteFileBytes(GameFile(), "[Quillora]\r\n昵称接口=" + host + "\r\n");
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

}  // namespace
}  // namespace quillora
