// Who may use the page: the session a request carries, and the documents it covers.
#include <ctime>

#include "server/page_requests.h"

namespace verolin::server {
namespace {

// All Cookie headers of the request as one (a proxy may split them).
std::string cookieHeader(const httplib::Request& req) {
  std::string joined;
  for (std::size_t i = 0, n = req.get_header_value_count("Cookie"); i < n; ++i) {
    if (!joined.empty()) joined += "; ";
    joined += req.get_header_value("Cookie", i);
  }
  return joined;
}

void refuseAccess(httplib::Response& res, const std::string& reason, bool emptyBody, bool bodyUnread) {
  if (bodyUnread) res.set_header("Connection", "close");
  refuse(res, 403, reason, emptyBody);
}

}  // namespace

Exchange& PageRequests::note(const httplib::Request& req, const std::string& type,
                             const std::string& document) {
  Exchange& ex = exchanges_.of(req);
  ex.audit.type = type;
  ex.audit.document = document;
  ex.audited = type == kUpload || type == kDown || type == kUploadFile || type == options_.sealListType ||
               type == options_.sealPictureType || type == "GET";
  return ex;
}

bool PageRequests::admit(const httplib::Request& req, Exchange& ex, httplib::Response& res, bool emptyBody,
                         bool bodyUnread) {
  if (!options_.sessionSecret) return true;
  const auto value = cookieValue(cookieHeader(req), options_.sessionCookie);
  if (!value) {
    refuseAccess(res,
                 "no session: sign in to the web application first (cookie " + options_.sessionCookie + ")",
                 emptyBody, bodyUnread);
    return false;
  }
  CheckedSession checked =
      checkSession(*options_.sessionSecret, *value, static_cast<std::int64_t>(std::time(nullptr)));
  ex.session = std::move(checked.session);
  if (checked.check != SessionCheck::kValid) {
    refuseAccess(res, describe(checked.check), emptyBody, bodyUnread);
    return false;
  }
  return true;
}

bool PageRequests::covers(Exchange& ex, const std::string& name, httplib::Response& res, bool emptyBody,
                          bool bodyUnread) {
  if (!ex.session || sessionCovers(*ex.session, name)) return true;
  refuseAccess(res, "the session covers only documents under \"" + ex.session->documents + "\"", emptyBody,
               bodyUnread);
  return false;
}

}  // namespace verolin::server
