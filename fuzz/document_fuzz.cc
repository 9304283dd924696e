// libFuzzer target for document files: bytes go through the same entry point Documents.Open uses.
// Whatever the reader makes of them must save as RTF and read back as exactly the same document.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "wordproc/formats/document_files.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace verolin::wordproc;
  try {
    const DecodedFile file = decodeDocument(verolin::automation::Bytes(data, data + size));
    const std::string rtf = writeRtf(file.model);
    const DocumentModel back = readRtf(rtf);
    if (describe(back) != describe(file.model)) {
      std::fprintf(stderr, "round trip differs:\n%s\n---\n%s\n", describe(file.model).c_str(),
                   describe(back).c_str());
      std::abort();
    }
  } catch (const FileFormatError&) {
    // Refused with a reason: the expected outcome for most inputs.
  }
  return 0;
}
