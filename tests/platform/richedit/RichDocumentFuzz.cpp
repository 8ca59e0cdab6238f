// libFuzzer entry for document editing: the bytes are a script of selections, replacements,
// format changes, undo and redo. After every step the document must agree with a plain model of
// its text, and undoing everything must give back the text of the last point without history.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/richedit/RichDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TRichDocument doc;
  size_t at = 0;
  auto next = [&]() -> uint32_t { return at < size ? data[at++] : 0; };
  // Models of the text after each undoable step, so undo and redo can be checked as well.
  std::vector<String> undo{String()}, redo;
  while (at < size) {
    const uint32_t op = next() % 8;
    const int n = doc.Length();
    switch (op) {
      case 0: {
        const int start = int((next() << 8 | next()) * 37u % uint32_t(n + 1));
        doc.SetSelection(start, int(next() << 6) - 4000);
        break;
      }
      case 1:
      case 2: {
        // Text of a repeated pattern, long enough to cross chunk borders now and then.
        String text;
        const uint32_t length = next() * (op == 2 ? 64u : 1u);
        const uint32_t pattern = next();
        for (uint32_t i = 0; i < length; ++i) text += (pattern + i) % 23 == 0 ? u'\r' : char16_t(u'a' + (pattern + i) % 26);
        const bool canUndo = next() % 4 != 0;
        const bool change = !text.empty() || doc.SelLength() > 0;  // else nothing happens at all
        String model = doc.GetTextRange(0, n);
        model.replace(size_t(doc.SelStart()), size_t(doc.SelLength()), text);
        doc.ReplaceSelection(text, canUndo);
        if (doc.GetTextRange(0, doc.Length()) != model) __builtin_trap();
        if (!change) break;
        if (!canUndo) undo.assign(1, model);
        else if (undo.back() != model) undo.push_back(model);
        redo.clear();
        break;
      }
      case 3: {
        TCharFormat f;
        f.Bold = next() & 1;
        f.Size = int(next());
        doc.SetSelectionCharFormat(f, cfmBold | cfmSize);
        break;
      }
      case 4: {
        TParaFormat p;
        p.Alignment = TParaAlignment(next() % 4);
        p.Numbering = TParaNumbering(next() % 2);
        doc.SetSelectionParaFormat(p, pfmAlignment | pfmNumbering);
        break;
      }
      case 5:
      case 6: {
        const String before = doc.GetTextRange(0, n);
        if (op == 5 ? doc.Undo() : doc.Redo()) {
          const String after = doc.GetTextRange(0, doc.Length());
          // A step goes back (or forward) to another model; typing merges several models into
          // one step, so it may pass over some. undo.back() is the current text; redo.back() the
          // nearest text ahead.
          if (after != before) {
            if (op == 5) {
              size_t j = undo.size() - 1;
              while (j > 0 && undo[j - 1] != after) --j;
              if (j == 0) __builtin_trap();
              while (undo.size() > j) {
                redo.push_back(undo.back());
                undo.pop_back();
              }
            } else {
              size_t i = redo.size();
              while (i > 0 && redo[i - 1] != after) --i;
              if (i == 0) __builtin_trap();
              while (redo.size() >= i) {
                undo.push_back(redo.back());
                redo.pop_back();
              }
            }
          }
        }
        break;
      }
      default:
        doc.BreakUndoTyping();
        break;
    }
    const int length = doc.Length();
    if (doc.SelStart() < 0 || doc.SelStart() + doc.SelLength() > length) __builtin_trap();
    const int paragraphs = doc.ParagraphCount();
    const int last = doc.ParagraphStart(paragraphs - 1);
    if (doc.ParagraphEnd(paragraphs - 1) != length || last > length) __builtin_trap();
    if (doc.ParagraphOfPosition(length) != paragraphs - 1) __builtin_trap();
  }
  return 0;
}
