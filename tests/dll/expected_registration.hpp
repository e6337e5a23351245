// The registration text as the host must read it, built from the table of handler
// records. Shared by the unit test of the exports and the host program that loads the DLL.
#pragma once

#include <string>

namespace quillora::testing {

struct ExpectedRecord {
  const char* keyword;
  const char* argumentHint;
  const char* handlerExport;
  const char* hostCode;
};

inline constexpr ExpectedRecord kExpectedRecords[] = {
    {"@关联插件", "Tovik/Selvane", "初始化配置", "1"},
    {"@Quillora", "", "Quillora", "1"},
    {"start", "", "start", "2"},
    {"@真心话", "内容", "答案", "2"},
    {"@投票", "数字", "投票", "2"},
    {"@惩罚结果", "", "投票结果", "2"},
    {"@结束游戏", "", "结束游戏", "2"},
};

// Ten fields per record, each ending in CR LF; records joined by CR LF, "-----", CR LF.
inline std::string ExpectedRegistrationText() {
  std::string text;
  bool first = true;
  for (const ExpectedRecord& record : kExpectedRecords) {
    if (!first) text += "\r\n-----\r\n";
    text += std::string("Quillora\r\n") + (first ? " 1 .4" : "1.4版") +
            "\r\nVendrel\r\nQuillora\r\n" + record.keyword + "\r\n" + record.argumentHint +
            "\r\n\r\n" + record.handlerExport + "\r\n" + record.hostCode + "\r\n假\r\n";
    first = false;
  }
  return text;
}

}  // namespace quillora::testing
