// The registration text: one record per handler, telling the host which keyword calls
// which export.
#include <iterator>

#include "boundary/exports.hpp"

namespace quillora {

namespace {

constexpr char kPluginName[] = "Quillora";
constexpr char kAuthor[] = "Vendrel";
constexpr char kFirstVersion[] = " 1 .4";
constexpr char kVersion[] = "1.4版";
constexpr char kRecordSeparator[] = "\r\n-----\r\n";

struct Registration {
  const char* keyword;
  const char* argumentHint;
  const char* handlerExport;
  const char* hostCode;
};

constexpr Registration kRegistrations[] = {
    {"@关联插件", "Tovik/Selvane", "初始化配置", "1"},
    {"@Quillora", "", "Quillora", "1"},
    {"start", "", "start", "2"},
    {"@真心话", "内容", "答案", "2"},
    {"@投票", "数字", "投票", "2"},
    {"@惩罚结果", "", "投票结果", "2"},
    {"@结束游戏", "", "结束游戏", "2"},
};

}  // namespace

Text info() {
  Text text;
  for (const Registration& record : kRegistrations) {
    const bool first = &record == std::begin(kRegistrations);
    if (!first) text += kRecordSeparator;
    const char* const fields[] = {kPluginName,
                                  first ? kFirstVersion : kVersion,
                                  kAuthor,
                                  kPluginName,
                                  record.keyword,
                                  record.argumentHint,
                                  "",
                                  record.handlerExport,
                                  record.hostCode,
                                  "假"};
    for (const char* field : fields)
      text.append(field).append("\r\n");
  }
  return text;
}

}  // namespace quillora
