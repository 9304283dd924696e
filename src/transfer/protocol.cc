#include "transfer/protocol.h"

#include "automation/variant.h"

namespace verolin::transfer {

std::string LastPathSegment(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsNumericMode(std::string_view mode) {
  double value = 0;
  return automation::parseNumber(mode, value);
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

}  // namespace verolin::transfer
