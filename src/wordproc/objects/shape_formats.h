// The formatting objects of shapes: PictureFormat, FillFormat, LineFormat, ColorFormat, WrapFormat.
// Each applies to every shape of the range it came from and reads the first.
#pragma once

#include <vector>

#include "wordproc/objects/objects.h"

namespace verolin::wordproc {

ObjectRef makePictureFormat(AppPtr app, DocPtr doc, std::vector<int> numbers);
ObjectRef makeFillFormat(AppPtr app, DocPtr doc, std::vector<int> numbers);
ObjectRef makeLineFormat(AppPtr app, DocPtr doc, std::vector<int> numbers);
ObjectRef makeWrapFormat(AppPtr app, DocPtr doc, std::vector<int> numbers);

}  // namespace verolin::wordproc
