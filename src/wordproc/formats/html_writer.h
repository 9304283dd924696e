// The document as a web page (the web-page save format): paragraphs with their style, alignment and
// run formatting, pictures as files in a folder beside the page, floating pictures and lines placed
// where they stand, hyperlinks with their screen tips as titles, and revision marks as ins/del.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/variant.h"
#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

struct HtmlPage {
  std::string html;
  // Picture files: a path relative to the page's folder ("temp.files\image001.png") and their bytes.
  std::vector<std::pair<std::string, automation::Bytes>> files;
};

// `pageName` is the page's file name; its pictures go into the folder "<name without extension>.files".
HtmlPage writeHtml(const DocumentModel& doc, std::string_view pageName);

}  // namespace verolin::wordproc
