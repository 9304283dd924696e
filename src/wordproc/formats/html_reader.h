// Web pages as documents: their text in paragraphs (headings with the heading styles, alignment kept),
// pictures from the files they name, links as hyperlinks. Scripts, styles and the head are left out,
// and so is text a page shows as deleted.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "automation/variant.h"
#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

// True when the text begins as a web page does ("<html", "<!doctype html", after blanks).
bool looksLikeHtml(std::string_view text);

// Reads a picture a page refers to (a path relative to the page); nullopt when there is none.
using PictureSource = std::function<std::optional<automation::Bytes>(const std::string& src)>;

DocumentModel readHtml(std::string_view utf8, const PictureSource& pictures);

}  // namespace verolin::wordproc
