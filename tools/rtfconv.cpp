// rtfconv IN [--to=txt|rtf] [-o OUT]
// Reads IN as the editor does (RTF, else plain text by its byte-order mark) and writes its whole
// text as UTF-8 with CR LF breaks (--to=txt, the default) or the engine's own RTF (--to=rtf), to
// OUT or to standard output.

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/base/Errors.h"
#include "platform/base/Files.h"
#include "platform/richedit/RichFiles.h"
#include "platform/richedit/RtfWriter.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: rtfconv IN [--to=txt|rtf] [-o OUT]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string in, out, to = "txt";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--to=", 5) == 0) {
      to = argv[i] + 5;
      if (to != "txt" && to != "rtf") return Usage();
    } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (in.empty() && argv[i][0] != '-') {
      in = argv[i];
    } else {
      return Usage();
    }
  }
  if (in.empty()) return Usage();

  try {
    TRichDocument document;
    LoadRichFile(document, Utf8ToString(in));
    std::string data = to == "rtf" ? WriteRtf(document) : StringToUtf8(document.GetText());
    if (out.empty()) {
      if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size()) {
        std::fprintf(stderr, "rtfconv: cannot write to standard output\n");
        return 1;
      }
    } else {
      WriteFileAtomic(Utf8ToString(out), data.data(), data.size());
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "rtfconv: %s\n", e.what());
    return 1;
  }
  return 0;
}
