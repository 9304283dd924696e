#include "transfer/protocol.h"

#include "automation/variant.h"
#include "text/utf8.h"

namespace verolin::transfer {

std::string LastPathSegment(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsNumericMode(std::string_view mode) {
  double value = 0;
  return automation::parseNumber(mode, value);
}

std::string TakeTransferInputs(control::ControlState& s, const std::string& mode, const std::string& form,
                               const std::string& serverPath, const char* noServerName) {
  static constexpr const char* kBadMode = "错误的传输方式.";
  static constexpr const char* kNoForm = "找不到发送数据的接口.";
  if (!mode.empty()) {
    if (mode != "1" && mode != "0") return kBadMode;
    s.getSetType = mode;
  }
  if (s.getSetType.empty() || !IsNumericMode(s.getSetType)) return kBadMode;
  if (!form.empty()) s.activeForm = form;
  if (s.activeForm.empty()) return kNoForm;
  if (!serverPath.empty()) s.serverFilePath = serverPath;
  if (s.serverFilePath.empty()) return noServerName;
  return {};
}

bool IsRequestModeNumber(std::string_view mode) {
  double value = 0;
  return automation::parseNumber(mode, value) && value == 1.0;
}

std::string UploadQuery(const control::ControlState& s, std::string_view pathValue) {
  std::string q;
  q += "?Dn=" + s.newSealNameList;
  q += "&Dt=" + s.newSealTimeList;
  q += "&Di=" + s.newSealIdList;
  q += "&Sn=" + s.newSignNameList;
  q += "&St=" + s.newSignTimeList;
  q += "&Si=" + s.newSignIdList;
  q += "&linkstr=" + s.linkStr;
  q += "&splitstr=" + s.splitStr;
  q += "&savetype=" + s.getSetType;
  q += "&RequestType=UPLOAD&path=";
  q += pathValue;
  return q;
}

std::string UploadPathValue(std::string_view mode, std::string_view fileDir, std::string_view name) {
  if (IsRequestModeNumber(mode)) return std::string(name);
  return std::string(fileDir) + "/" + std::string(name);
}

std::string DownloadUrl(const control::ControlState& s, std::string_view name) {
  return s.activeForm + "?filetype=" + s.getSetType + "&RequestType=DOWN&filename=" + std::string(name);
}

std::string SignatureListUrl(const control::ControlState& s, std::string_view name) {
  return s.activeForm + "?filetype=" + s.getSetType + "&filename=" + std::string(name) +
         "&RequestType=GetHandWritdData";
}

std::string SealListUrl(const control::ControlState& s, std::string_view name) {
  return s.activeForm + "?filetype=" + s.getSetType + "&filename=" + std::string(name) +
         "&RequestType=GetSignInfoData";
}

std::string SealOwnerListUrl(const control::ControlState& s, std::string_view requestType) {
  return s.activeForm + "?RequestType=" + std::string(requestType);
}

std::string SealPictureUrl(const control::ControlState& s, std::string_view requestType,
                           std::string_view userName, std::string_view fileName) {
  return s.activeForm + "?RequestType=" + std::string(requestType) + "&userName=" + std::string(userName) +
         "&fileName=" + std::string(fileName);
}

std::string ClientUploadQuery(std::string_view clientPath, std::string_view serverPath) {
  return "?RequestType=UPLOADFILE&CLIENT=" + std::string(clientPath) + "&SERVER=" + std::string(serverPath);
}

std::string HeaderText(std::string_view value) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size() && digit(value[i + 1]) >= 0 && digit(value[i + 2]) >= 0) {
      out += static_cast<char>(digit(value[i + 1]) * 16 + digit(value[i + 2]));
      i += 2;
    } else {
      out += value[i];
    }
  }
  return text::isValid(out) ? out : std::string(value);
}

}  // namespace verolin::transfer
