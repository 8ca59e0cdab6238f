#include <gtest/gtest.h>

#include "platform/richedit/RichDocument.h"

namespace {

TCharFormat Bold() {
  TCharFormat f;
  f.Bold = true;
  return f;
}

// "Hello world" with "world" bold and red, the caret at the end.
void MakeHelloWorld(TRichDocument& doc) {
  doc.ReplaceSelection(u"Hello world");
  doc.SetSelection(6, 5);
  TCharFormat f;
  f.Bold = true;
  f.Color = 0x0000FF;
  doc.SetSelectionCharFormat(f, cfmBold | cfmColor);
  doc.SetSelection(11, 0);
}

TEST(RichDocument, BreaksAreOnePositionAndCrLfInTheWholeText) {
  TRichDocument doc;
  doc.ReplaceSelection(u"one\r\ntwo\nthree\rfour");
  EXPECT_EQ(doc.Length(), 18);
  EXPECT_EQ(doc.ParagraphCount(), 4);
  EXPECT_EQ(doc.GetText(), u"one\r\ntwo\r\nthree\r\nfour");
  doc.SetSelection(2, 3);
  EXPECT_EQ(doc.GetSelText(), u"e\rt");
  EXPECT_EQ(doc.ParagraphStart(2), 8);
  EXPECT_EQ(doc.ParagraphEnd(2), 13);
  EXPECT_EQ(doc.ParagraphOfPosition(13), 2);
  EXPECT_EQ(doc.ParagraphOfPosition(14), 3);
  EXPECT_EQ(doc.ParagraphEnd(3), 18);
}

TEST(RichDocument, SelectionIsClampedAndNormalised) {
  TRichDocument doc;
  doc.ReplaceSelection(u"abcdef");
  doc.SetSelection(4, -3);
  EXPECT_EQ(doc.SelStart(), 1);
  EXPECT_EQ(doc.SelLength(), 3);
  doc.SetSelection(3, 1000);
  EXPECT_EQ(doc.SelStart(), 3);
  EXPECT_EQ(doc.SelLength(), 3);
  doc.SetSelection(-5, 2);
  EXPECT_EQ(doc.SelStart(), 0);
  EXPECT_EQ(doc.SelLength(), 0);
  doc.SetSelection(0x7FFFFFFF, 0x7FFFFFFF);  // no overflow
  EXPECT_EQ(doc.SelStart(), 6);
}

TEST(RichDocument, ReplacedTextTakesTheFormatOfTheFirstReplacedCharacter) {
  TRichDocument doc;
  MakeHelloWorld(doc);
  doc.SetSelection(5, 3);  // " wo": plain space first
  doc.ReplaceSelection(u"XY");
  EXPECT_EQ(doc.GetTextRange(0, 100), u"HelloXYrld");
  EXPECT_FALSE(doc.CharFormatAt(5).Bold);
  EXPECT_EQ(doc.SelStart(), 7);
  EXPECT_EQ(doc.SelLength(), 0);
  doc.SetSelection(7, 2);  // "rl": bold first
  doc.ReplaceSelection(u"Z");
  EXPECT_TRUE(doc.CharFormatAt(7).Bold);
  EXPECT_EQ(doc.CharFormatAt(7).Color, 0x0000FF);
}

TEST(RichDocument, InsertionPointFormatFollowsTheCaretAndCanBeSet) {
  TRichDocument doc;
  MakeHelloWorld(doc);
  EXPECT_TRUE(doc.InsertionFormat().Bold);  // after "world"
  doc.ReplaceSelection(u"!");
  EXPECT_TRUE(doc.CharFormatAt(11).Bold);
  doc.SetSelection(3, 0);
  EXPECT_FALSE(doc.InsertionFormat().Bold);
  doc.SetSelectionCharFormat(Bold(), cfmBold);  // an insertion-point change is no edit
  EXPECT_EQ(doc.GetTextRange(0, 100), u"Hello world!");
  doc.ReplaceSelection(u"_");
  EXPECT_TRUE(doc.CharFormatAt(3).Bold);
  EXPECT_FALSE(doc.CharFormatAt(2).Bold);
  EXPECT_FALSE(doc.CharFormatAt(4).Bold);
  // At the start of a paragraph the caret takes the format of the text after it.
  doc.Clear();
  doc.ReplaceSelection(u"a\rb");
  doc.SetSelection(2, 1);
  doc.SetSelectionCharFormat(Bold(), cfmBold);
  doc.SetSelection(2, 0);
  EXPECT_TRUE(doc.InsertionFormat().Bold);
}

TEST(RichDocument, DefaultFormatAppliesToAnEmptyDocumentAndToClear) {
  TRichDocument doc;
  TCharFormat f;
  f.Face = u"Courier New";
  f.Size = 9;
  doc.SetDefaultCharFormat(f);
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.InsertionFormat().Face, u"Courier New");
  doc.ReplaceSelection(u"a");
  EXPECT_EQ(doc.CharFormatAt(0).Size, 9);
  doc.SetSelection(0, 1);
  doc.SetSelectionCharFormat(Bold(), cfmBold);
  doc.Clear();
  EXPECT_EQ(doc.InsertionFormat(), doc.DefaultCharFormat());
}

TEST(RichDocument, MixedSelectionReportsFirstCharacterAndMixedAttributes) {
  TRichDocument doc;
  MakeHelloWorld(doc);
  uint32_t mixed = 0;
  doc.SetSelection(6, 5);
  TCharFormat f = doc.GetSelectionCharFormat(&mixed);
  EXPECT_TRUE(f.Bold);
  EXPECT_EQ(f.Color, 0x0000FF);
  EXPECT_EQ(mixed, 0u);
  doc.SetSelection(4, 4);  // "o wo": plain then bold red
  f = doc.GetSelectionCharFormat(&mixed);
  EXPECT_FALSE(f.Bold);                 // a style is reported only when set throughout
  EXPECT_EQ(f.Color, clAutomaticText);  // the first character's colour
  EXPECT_EQ(mixed, uint32_t(cfmBold | cfmColor));
  // Setting one attribute on a mixed selection keeps the others per character.
  TCharFormat italic;
  italic.Italic = true;
  doc.SetSelectionCharFormat(italic, cfmItalic);
  EXPECT_TRUE(doc.CharFormatAt(4).Italic && !doc.CharFormatAt(4).Bold);
  EXPECT_TRUE(doc.CharFormatAt(7).Italic && doc.CharFormatAt(7).Bold);
  EXPECT_TRUE(doc.GetSelectionCharFormat().Italic);
  // Mixed fonts report no name; a single font its own.
  TCharFormat face;
  face.Face = u"Courier New";
  doc.SetSelection(0, 2);
  doc.SetSelectionCharFormat(face, cfmFace);
  EXPECT_EQ(doc.GetSelectionCharFormat().Face, u"Courier New");
  doc.SetSelection(1, 2);
  f = doc.GetSelectionCharFormat(&mixed);
  EXPECT_EQ(f.Face, u"");
  EXPECT_TRUE(mixed & cfmFace);
}

TEST(RichDocument, SizesAreClampedAndColoursNormalised) {
  TRichDocument doc;
  doc.ReplaceSelection(u"abc");
  struct Case { int size; int expected; };
  for (Case c : {Case{0, kMinFontSize}, Case{-7, kMinFontSize}, Case{12, 12}, Case{kMaxFontSize + 1, kMaxFontSize},
                 Case{0x7FFFFFFF, kMaxFontSize}}) {
    doc.SetSelection(0, 3);
    TCharFormat f;
    f.Size = c.size;
    doc.SetSelectionCharFormat(f, cfmSize);
    EXPECT_EQ(doc.CharFormatAt(1).Size, c.expected) << c.size;
  }
  EXPECT_EQ(ClampFontSize(int64_t(1) << 40), kMaxFontSize);
  TCharFormat f;
  f.Color = TColor(0x7F123456);  // stray high byte dropped
  doc.SetSelectionCharFormat(f, cfmColor);
  EXPECT_EQ(doc.CharFormatAt(0).Color, 0x123456);
  f.Color = clWindowText;  // automatic again
  doc.SetSelectionCharFormat(f, cfmColor);
  EXPECT_EQ(doc.CharFormatAt(0).Color, clAutomaticText);
}

TEST(RichDocument, ParagraphFormatAppliesToEveryTouchedParagraph) {
  TRichDocument doc;
  doc.ReplaceSelection(u"one\rtwo\rthree\rfour");
  doc.SetSelection(5, 5);  // from inside "two" into "three"
  TParaFormat p;
  p.Alignment = paCenter;
  p.Numbering = pnBullet;
  doc.SetSelectionParaFormat(p, pfmAlignment | pfmNumbering);
  const TParaAlignment expected[] = {paLeft, paCenter, paCenter, paLeft};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(doc.ParagraphFormat(k).Alignment, expected[k]) << k;
    EXPECT_EQ(doc.ParagraphFormat(k).Numbering, expected[k] == paCenter ? pnBullet : pnNone) << k;
  }
  // A selection that ends just after a break does not touch the next paragraph.
  doc.SetSelection(0, 4);
  p.Alignment = paRight;
  doc.SetSelectionParaFormat(p, pfmAlignment);
  EXPECT_EQ(doc.ParagraphFormat(0).Alignment, paRight);
  EXPECT_EQ(doc.ParagraphFormat(1).Alignment, paCenter);
  EXPECT_TRUE(doc.ParagraphFormat(1).Numbering == pnBullet);  // not in the mask: kept
  uint32_t mixed = 0;
  doc.SetSelection(0, 6);
  EXPECT_EQ(doc.GetSelectionParaFormat(&mixed).Alignment, paRight);
  EXPECT_EQ(mixed, uint32_t(pfmAlignment | pfmNumbering));
  // The last paragraph, and an empty document's only one, can be formatted too.
  doc.SetSelection(doc.Length(), 0);
  p.Alignment = paJustify;
  doc.SetSelectionParaFormat(p, pfmAlignment);
  EXPECT_EQ(doc.ParagraphFormat(3).Alignment, paJustify);
  // A new break takes the format of the paragraph it splits.
  doc.SetSelection(6, 0);
  doc.ReplaceSelection(u"\r");
  EXPECT_EQ(doc.ParagraphFormat(1).Alignment, paCenter);
  EXPECT_EQ(doc.ParagraphFormat(2).Alignment, paCenter);
}

TEST(RichDocument, ModifiedFlagIsSetByEveryChangeOfTextOrFormat) {
  TRichDocument doc;
  EXPECT_FALSE(doc.Modified());
  const std::function<void(TRichDocument&)> changes[] = {
      [](TRichDocument& d) { d.ReplaceSelection(u"x"); },
      [](TRichDocument& d) { d.SetSelection(0, 1); d.SetSelectionCharFormat(Bold(), cfmBold); },
      [](TRichDocument& d) { TParaFormat p; p.Alignment = paRight; d.SetSelectionParaFormat(p, pfmAlignment); },
      [](TRichDocument& d) { d.Undo(); },
      [](TRichDocument& d) { d.SetSelection(0, 1); d.ReplaceSelection(u"", false); },
      [](TRichDocument& d) { d.Clear(); },
  };
  for (size_t i = 0; i < std::size(changes); ++i) {
    doc.SetModified(false);
    changes[i](doc);
    EXPECT_TRUE(doc.Modified()) << i;
  }
  // Moving the selection, or setting a format that is already there, is no change.
  doc.ReplaceSelection(u"abc");
  doc.SetModified(false);
  doc.SetSelection(1, 1);
  doc.SetSelectionCharFormat(TCharFormat(), cfmBold);
  EXPECT_FALSE(doc.Modified());
}

TEST(RichDocument, TypingAWordIsOneUndoStep) {
  TRichDocument doc;
  for (char16_t c : StringView(u"hello world"))
    doc.ReplaceSelection(StringView(&c, 1));
  EXPECT_TRUE(doc.Undo());
  EXPECT_EQ(doc.GetTextRange(0, 100), u"hello ");
  EXPECT_TRUE(doc.Undo());
  EXPECT_EQ(doc.GetTextRange(0, 100), u"");
  EXPECT_FALSE(doc.Undo());
  EXPECT_TRUE(doc.Redo());
  EXPECT_TRUE(doc.Redo());
  EXPECT_EQ(doc.GetTextRange(0, 100), u"hello world");
  EXPECT_EQ(doc.SelStart(), 11);
  // Moving the caret ends the step even when typing resumes next to it.
  doc.SetSelection(0, 0);
  doc.SetSelection(11, 0);
  doc.ReplaceSelection(u"s");
  doc.Undo();
  EXPECT_EQ(doc.GetTextRange(0, 100), u"hello world");
}

TEST(RichDocument, UndoRestoresTextFormatsAndSelection) {
  TRichDocument doc;
  MakeHelloWorld(doc);
  doc.SetSelection(3, 5);  // "lo wo"
  doc.ReplaceSelection(u"p\rq");
  EXPECT_EQ(doc.ParagraphCount(), 2);
  doc.Undo();
  EXPECT_EQ(doc.GetTextRange(0, 100), u"Hello world");
  EXPECT_EQ(doc.SelStart(), 3);
  EXPECT_EQ(doc.SelLength(), 5);
  EXPECT_FALSE(doc.CharFormatAt(5).Bold);
  EXPECT_TRUE(doc.CharFormatAt(6).Bold);
  EXPECT_EQ(doc.ParagraphCount(), 1);
  doc.Undo();  // the bold-red step
  EXPECT_FALSE(doc.CharFormatAt(8).Bold);
  EXPECT_EQ(doc.CharFormatAt(8).Color, clAutomaticText);
  doc.Redo();
  EXPECT_TRUE(doc.CharFormatAt(8).Bold);
}

TEST(RichDocument, UndoGroupIsOneStepAndChangesWithoutUndoEmptyTheHistory) {
  TRichDocument doc;
  doc.ReplaceSelection(u"cat cat cat");
  doc.BeginUndoGroup();
  for (int p = doc.FindText(u"cat", 0, -1, 0); p >= 0; p = doc.FindText(u"cat", p + 3, -1, 0)) {
    doc.SetSelection(p, 3);
    doc.ReplaceSelection(u"dog");
  }
  doc.EndUndoGroup();
  EXPECT_EQ(doc.GetTextRange(0, 100), u"dog dog dog");
  doc.Undo();
  EXPECT_EQ(doc.GetTextRange(0, 100), u"cat cat cat");
  EXPECT_TRUE(doc.CanUndo());  // the first insertion is still there
  doc.Redo();

  const std::function<void(TRichDocument&)> clearing[] = {
      [](TRichDocument& d) { d.SetSelection(0, 1); d.ReplaceSelection(u"x", false); },
      [](TRichDocument& d) { d.Clear(); },
      [](TRichDocument& d) {
        TRichContent c;
        c.Text = u"new";
        c.Runs.push_back({3, c.CharFormats.Intern(TCharFormat())});
        c.Paras.push_back(c.ParaFormats.Intern(TParaFormat()));
        d.Load(std::move(c));
      },
  };
  for (size_t i = 0; i < std::size(clearing); ++i) {
    doc.ReplaceSelection(u"abc");
    doc.ReplaceSelection(u"def");
    doc.Undo();
    ASSERT_TRUE(doc.CanUndo() && doc.CanRedo());
    clearing[i](doc);
    EXPECT_FALSE(doc.CanUndo()) << i;
    EXPECT_FALSE(doc.CanRedo()) << i;
  }
}

TEST(RichDocument, UndoHistoryIsBounded) {
  TRichDocument doc;
  for (size_t i = 0; i < TRichDocument::kMaxUndoSteps + 20; ++i) {
    doc.SetSelection(0, 0);
    doc.ReplaceSelection(u"ab");
  }
  size_t steps = 0;
  while (doc.Undo()) ++steps;
  EXPECT_EQ(steps, TRichDocument::kMaxUndoSteps);
  EXPECT_EQ(doc.Length(), 40);
}

TEST(RichDocument, NotificationsAreFoldedBetweenBeginAndEndUpdate) {
  TRichDocument doc;
  int changes = 0, selections = 0, edits = 0;
  doc.OnChange = [&] { ++changes; };
  doc.OnSelectionChange = [&] { ++selections; };
  doc.OnEdit = [&](const TEditInfo&) { ++edits; };
  doc.ReplaceSelection(u"abc");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(selections, 1);
  doc.BeginUpdate();
  doc.BeginUpdate();
  for (int i = 0; i < 3; ++i) {
    doc.SetSelection(i, 1);
    doc.ReplaceSelection(u"X", false);
  }
  doc.EndUpdate();
  EXPECT_EQ(changes, 1);
  doc.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(selections, 2);
  EXPECT_EQ(edits, 4);
  // A change handler sees the state after the change: text, caret and modified flag.
  doc.OnChange = [&] {
    ++changes;
    EXPECT_EQ(doc.SelStart(), 1);
    EXPECT_TRUE(doc.Modified());
  };
  doc.SetSelection(0, 1);
  doc.SetModified(false);
  doc.ReplaceSelection(u"Y");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(selections, 4);
  doc.OnChange = [&] { ++changes; };
  doc.BeginUpdate();
  doc.EndUpdate();  // the end raises a content change even when nothing changed
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(selections, 4);
}

TEST(RichDocument, EditNotificationsDescribeTheRange) {
  TRichDocument doc;
  doc.ReplaceSelection(u"abcdef");
  std::vector<TEditInfo> seen;
  doc.OnEdit = [&](const TEditInfo& e) { seen.push_back(e); };
  doc.SetSelection(1, 2);
  doc.ReplaceSelection(u"XYZ");
  doc.SetSelection(0, 2);
  doc.SetSelectionCharFormat(Bold(), cfmBold);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].Position, 1);
  EXPECT_EQ(seen[0].Removed, 2);
  EXPECT_EQ(seen[0].Inserted, 3);
  EXPECT_FALSE(seen[0].FormatOnly);
  EXPECT_EQ(seen[1].Position, 0);
  EXPECT_EQ(seen[1].Removed, 2);
  EXPECT_TRUE(seen[1].FormatOnly);
}

TEST(RichDocument, TextLimitDropsWhatDoesNotFit) {
  TRichDocument doc;
  doc.SetTextLimit(5);
  doc.ReplaceSelection(u"abcdefgh");
  EXPECT_EQ(doc.GetTextRange(0, 100), u"abcde");
  doc.SetSelection(1, 2);
  doc.ReplaceSelection(u"1234");
  EXPECT_EQ(doc.GetTextRange(0, 100), u"a12de");
}

TEST(RichDocument, LargeEditsAcrossChunksKeepTextFormatsAndParagraphs) {
  // Builds a document of many chunks, edits and formats across chunk borders and compares with a
  // model: the text, and per character whether it is bold.
  TRichDocument doc;
  String model;
  std::vector<bool> bold;
  String block;
  for (int i = 0; i < 3000; ++i) block += i % 97 == 0 ? u'\r' : char16_t(u'a' + i % 26);
  for (int i = 0; i < 8; ++i) {
    doc.SetSelection(doc.Length(), 0);
    doc.ReplaceSelection(block);
    model += block;
  }
  bold.assign(model.size(), false);
  uint32_t seed = 7;
  auto next = [&](int n) { seed = seed * 1103515245 + 12345; return int((seed >> 8) % uint32_t(n)); };
  auto check = [&](const String& text, const std::vector<bool>& styles) {
    ASSERT_EQ(doc.GetTextRange(0, doc.Length()), text);
    for (int p = 0; p < int(text.size()); p += 13) ASSERT_EQ(doc.CharFormatAt(p).Bold, bool(styles[size_t(p)])) << p;
  };
  String snapshot;
  std::vector<bool> snapshotBold;
  for (int round = 0; round < 200; ++round) {
    if (round == 180) {
      snapshot = model;
      snapshotBold = bold;
    }
    const int start = next(int(model.size()) + 1);
    const int length = std::min(next(6000), int(model.size()) - start);
    const String insert = block.substr(size_t(next(2000)), size_t(next(round % 3 == 0 ? 5000 : 3)));
    doc.SetSelection(start, length);
    // The new text takes the format of the first replaced character, or the caret's.
    const bool insertBold = length > 0 ? bool(bold[size_t(start)]) : doc.InsertionFormat().Bold;
    doc.ReplaceSelection(insert);
    model.replace(size_t(start), size_t(length), insert);
    bold.erase(bold.begin() + start, bold.begin() + start + length);
    bold.insert(bold.begin() + start, insert.size(), insertBold);
    if (round % 5 == 0) {
      const int from = next(int(model.size()));
      const int count = std::min(7000, int(model.size()) - from);
      const bool on = round % 10 == 0;
      doc.SetSelection(from, count);
      TCharFormat f;
      f.Bold = on;
      doc.SetSelectionCharFormat(f, cfmBold);
      std::fill(bold.begin() + from, bold.begin() + from + count, on);
    }
  }
  check(model, bold);
  EXPECT_EQ(doc.ParagraphCount(), int(std::count(model.begin(), model.end(), u'\r')) + 1);
  for (int p = 0; p < int(model.size()); p += 37) {
    ASSERT_EQ(doc.ParagraphOfPosition(p), int(std::count(model.begin(), model.begin() + p, u'\r'))) << p;
    ASSERT_EQ(doc.CharAt(p), model[size_t(p)]);
  }
  for (int k = 1; k < doc.ParagraphCount(); k += 7) ASSERT_EQ(doc.CharAt(doc.ParagraphStart(k) - 1), u'\r');
  int covered = 0;
  doc.VisitPieces(0, doc.Length(), [&](const TPieceView& v) {
    EXPECT_EQ(v.Position, covered);
    EXPECT_EQ(v.Paras.size(), size_t(std::count(v.Text.begin(), v.Text.end(), u'\r')));
    covered += int(v.Text.size());
  });
  EXPECT_EQ(covered, doc.Length());
  for (int i = 0; i < 100 && doc.GetTextRange(0, doc.Length()) != snapshot; ++i) ASSERT_TRUE(doc.Undo());
  check(snapshot, snapshotBold);
  while (doc.Redo()) {
  }
  check(model, bold);
}

TEST(RichDocumentSearch, FindsForwardWithCaseAndWholeWordOptions) {
  TRichDocument doc;
  doc.ReplaceSelection(u"cat Cat CAT");
  EXPECT_EQ(doc.FindText(u"cat", 0, -1, 0), 0);
  EXPECT_EQ(doc.FindText(u"cat", 1, -1, 0), 4);
  EXPECT_EQ(doc.FindText(u"cat", 5, -1, 0), 8);
  EXPECT_EQ(doc.FindText(u"cat", 9, -1, 0), -1);  // never wraps
  EXPECT_EQ(doc.FindText(u"Cat", 0, -1, soMatchCase), 4);
  EXPECT_EQ(doc.FindText(u"cat", 5, 11, 0), 8);
  EXPECT_EQ(doc.FindText(u"cat", 5, 10, 0), -1);   // a match must end inside the range
  EXPECT_EQ(doc.FindText(u"", 0, -1, 0), -1);
  EXPECT_EQ(doc.FindText(u"cat", 8, 3, 0), -1);    // an end before the start finds nothing

  doc.Clear();
  doc.ReplaceSelection(u"concatenate cat");
  EXPECT_EQ(doc.FindText(u"cat", 0, -1, soWholeWord), 12);
  // Whole word looks past the ends of the range: "cat" inside "concatenate" is not a word even
  // when the range starts at its 'c'.
  EXPECT_EQ(doc.FindText(u"cat", 3, 6, soWholeWord), -1);
  doc.Clear();
  doc.ReplaceSelection(u"\u00C9T\u00C9 \u00E9t\u00E9 don't don");
  EXPECT_EQ(doc.FindText(u"\u00E9t\u00E9", 0, -1, 0), 0);  // case folding beyond ASCII
  EXPECT_EQ(doc.FindText(u"\u00E9t\u00E9", 0, -1, soMatchCase), 4);
  EXPECT_EQ(doc.FindText(u"don", 0, -1, soWholeWord), 14);  // the apostrophe joins "don't"
  EXPECT_EQ(doc.FindText(u"t\rx", 0, -1, 0), -1);
}

TEST(RichDocumentSearch, FindsAcrossWindowBordersAndBreaks) {
  TRichDocument doc;
  String text(200000, u'x');
  text.replace(65535, 4, u"ne\red");
  doc.ReplaceSelection(text);
  EXPECT_EQ(doc.FindText(u"NE\rED", 0, -1, 0), 65535);
  EXPECT_EQ(doc.FindText(u"xne", 100, -1, soMatchCase), 65534);
}

}  // namespace
