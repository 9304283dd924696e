// URLs of the request catalogue, formed by the control's own routines from arbitrary values, made
// wire-ready by the request object and read back by the server page's query decoding. The wire URL is
// always plain printable ASCII; every value the control can carry (valid text without "#", "%", "&" or
// control characters, in the wire code page) arrives unchanged, mark lists item by item.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "control/state.h"
#include "fuzz_check.h"
#include "fuzz_fields.h"
#include "platform/curl_http.h"
#include "server/list_answer.h"
#include "server/names.h"
#include "server/query.h"
#include "text/codepage.h"
#include "text/utf8.h"
#include "transfer/protocol.h"

namespace {

using namespace verolin;

constexpr std::string_view kPage = "http://127.0.0.1:8080/page";

// The orders in which the control writes each request's keys, as the server reads them.
constexpr std::string_view kUploadOrder[] = {"Dn",      "Dt",       "Di",       "Sn",          "St",  "Si",
                                             "linkstr", "splitstr", "savetype", "RequestType", "path"};
constexpr std::string_view kDownOrder[] = {"filetype", "RequestType", "filename"};
constexpr std::string_view kListOrder[] = {"filetype", "filename", "RequestType"};
constexpr std::string_view kPictureOrder[] = {"RequestType", "userName", "fileName"};
constexpr std::string_view kUploadFileOrder[] = {"RequestType", "CLIENT", "SERVER"};

bool carriable(const std::string& value) {
  return text::isValid(value) && server::urlValueProblem(value).empty() &&
         text::fromWire(text::toWire(value)) == value;
}

using fuzzing::Fields;

// The query the server sees: the wire URL's text after the first "?".
std::string queryOnWire(const std::string& url) {
  const std::string wire = platform::wireUrl(url);
  bool escapes = true;
  for (std::size_t i = 0; i < wire.size(); ++i) {
    const auto c = static_cast<unsigned char>(wire[i]);
    FUZZ_CHECK(c > 0x20 && c < 0x7F && c != '#' && c != '"' && c != '<' && c != '>');
    if (c == '%') {
      escapes = escapes && i + 2 < wire.size() && std::isxdigit(wire[i + 1]) && std::isxdigit(wire[i + 2]);
    }
  }
  FUZZ_CHECK(escapes);
  const std::size_t mark = wire.find('?');
  FUZZ_CHECK(mark != std::string::npos);
  return wire.substr(mark + 1);
}

// Every value arrives as it was sent, when all of them can be carried.
void expectValues(const std::string& url, std::span<const std::string_view> order,
                  const std::vector<std::string>& values) {
  const std::string raw = queryOnWire(url);
  for (const auto& v : values) {
    if (!carriable(v)) return;
  }
  const server::Query query = server::Query::parseOrdered(raw, order);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (query.value(order[i]) != values[i]) {
      std::fprintf(stderr, "key %s: sent \"%s\", server read \"%s\"\n", std::string(order[i]).c_str(),
                   values[i].c_str(), query.value(order[i]).c_str());
      FUZZ_CHECK(false);
    }
  }
  // The page chooses the answer by RequestType from a plain reading of the query.
  const auto type = server::Query::parse(raw).find("RequestType");
  FUZZ_CHECK(type.has_value());
}

void upload(Fields& f) {
  control::ControlState s;
  s.activeForm = kPage;
  s.getSetType = f.next().size() % 2 ? "1" : "0";
  if (const std::string split = f.next(); text::length(split) == 1) s.splitStr = split;
  if (const std::string link = f.next(); text::length(link) == 1) s.linkStr = link;
  // Seal and signature items, appended as the control appends them.
  std::vector<std::string> items[6];
  std::string* lists[6] = {&s.newSealNameList, &s.newSealTimeList, &s.newSealIdList,
                           &s.newSignNameList, &s.newSignTimeList, &s.newSignIdList};
  bool itemsSplittable = true;
  for (int i = 0; i < 6; ++i) {
    const std::size_t count = f.next().size() % 4;
    for (std::size_t k = 0; k < count; ++k) {
      items[i].push_back(f.next());
      itemsSplittable = itemsSplittable && items[i].back().find(s.splitStr) == std::string::npos;
      *lists[i] += items[i].back() + s.splitStr;
    }
  }
  const std::string fileDir = f.next();
  const std::string name = transfer::LastPathSegment(f.next());
  const std::string path = transfer::UploadPathValue(s.getSetType, fileDir, name);
  const std::string url = s.activeForm + transfer::UploadQuery(s, path);
  expectValues(url, kUploadOrder,
               {s.newSealNameList, s.newSealTimeList, s.newSealIdList, s.newSignNameList, s.newSignTimeList,
                s.newSignIdList, s.linkStr, s.splitStr, s.getSetType, "UPLOAD", path});
  // The server splits the lists at the terminator the upload names and gets the items back.
  if (!itemsSplittable || !carriable(s.splitStr)) return;
  const server::Query query = server::Query::parseOrdered(queryOnWire(url), kUploadOrder);
  for (int i = 0; i < 6; ++i) {
    if (!carriable(*lists[i])) return;
  }
  for (int i = 0; i < 6; ++i) {
    FUZZ_CHECK(server::splitList(query.value(kUploadOrder[i]), query.value("splitstr")) == items[i]);
  }
}

void documentRequests(Fields& f) {
  control::ControlState s;
  s.activeForm = kPage;
  s.getSetType = f.next().size() % 2 ? "1" : "0";
  const std::string name = transfer::LastPathSegment(f.next());
  expectValues(transfer::DownloadUrl(s, name), kDownOrder, {s.getSetType, "DOWN", name});
  expectValues(transfer::SignatureListUrl(s, name), kListOrder, {s.getSetType, name, "GetHandWritdData"});
  expectValues(transfer::SealListUrl(s, name), kListOrder, {s.getSetType, name, "GetSignInfoData"});
}

void sealAndClientRequests(Fields& f) {
  control::ControlState s;
  s.activeForm = kPage;
  const std::string type = f.next();
  const std::string user = f.next();
  const std::string file = f.next();
  expectValues(transfer::SealPictureUrl(s, type, user, file), kPictureOrder, {type, user, file});
  const std::string client = f.next();
  const std::string serverPath = f.next();
  expectValues(std::string(kPage) + transfer::ClientUploadQuery(client, serverPath), kUploadFileOrder,
               {"UPLOADFILE", client, serverPath});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Fields fields(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  switch (data[0] % 3) {
    case 0:
      upload(fields);
      break;
    case 1:
      documentRequests(fields);
      break;
    default:
      sealAndClientRequests(fields);
      break;
  }
  return 0;
}
