#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/Errors.h"
#include "platform/base/Files.h"
#include "platform/richedit/RtfReader.h"
#include "platform/richedit/RichFiles.h"
#include "platform/richedit/RtfWriter.h"

namespace {

TRichDocument& LoadInto(TRichDocument& doc, std::string_view rtf) {
  doc.Load(ReadRtf(rtf));
  return doc;
}

String Text(const TRichDocument& doc) { return doc.GetTextRange(0, doc.Length()); }

// Every character's format and every paragraph's format must survive writing and reading back.
void ExpectSameDocument(const TRichDocument& a, const TRichDocument& b) {
  ASSERT_EQ(Text(a), Text(b));
  for (int p = 0; p < a.Length(); ++p) {
    const TCharFormat& x = a.CharFormatAt(p);
    const TCharFormat& y = b.CharFormatAt(p);
    ASSERT_EQ(CharFormatDifference(x, y), 0u) << "position " << p;
  }
  ASSERT_EQ(a.ParagraphCount(), b.ParagraphCount());
  for (int k = 0; k < a.ParagraphCount(); ++k)
    ASSERT_EQ(ParaFormatDifference(a.ParagraphFormat(k), b.ParagraphFormat(k)), 0u) << "paragraph " << k;
}

TEST(RtfRoundTrip, KeepsEveryCharacterAndParagraphFormat) {
  TRichDocument doc;
  doc.ReplaceSelection(u"Plain {braces} \\ back\tslash\u000Bline\r"
                       u"caf\u00E9 \u20AC \u0416 \U0001F600 \u2022\r"
                       u"bullet one\rbullet two\r\rcentre\rlast");
  struct Span { int start, length; TCharFormat format; uint32_t mask; };
  TCharFormat f;
  f.Face = u"Times New Roman";
  f.Size = 24;
  f.Color = 0x00C08040;
  f.Bold = f.Italic = f.Underline = f.StrikeOut = true;
  f.Charset = 238;
  const Span spans[] = {
      {0, 5, f, cfmBold}, {6, 8, f, cfmItalic | cfmColor}, {15, 4, f, cfmUnderline | cfmFace},
      {20, 3, f, cfmStrikeOut | cfmSize}, {30, 10, f, cfmAll}, {43, 3, f, cfmCharset | cfmFace},
  };
  for (const Span& s : spans) {
    doc.SetSelection(s.start, s.length);
    doc.SetSelectionCharFormat(s.format, s.mask);
  }
  TParaFormat p;
  p.Numbering = pnBullet;
  p.LeftIndent = 720;
  p.FirstIndent = -360;
  doc.SetSelection(doc.ParagraphStart(2), 12);
  doc.SetSelectionParaFormat(p, pfmAll);
  p = TParaFormat();
  p.Alignment = paCenter;
  p.RightIndent = 144;
  doc.SetSelection(doc.ParagraphStart(5), 0);
  doc.SetSelectionParaFormat(p, pfmAll);
  p.Alignment = paJustify;
  doc.SetSelection(doc.Length(), 0);
  doc.SetSelectionParaFormat(p, pfmAlignment);
  p.Alignment = paRight;
  doc.SetSelection(0, 0);
  doc.SetSelectionParaFormat(p, pfmAlignment);

  const std::string rtf = WriteRtf(doc);
  TRichDocument back;
  LoadInto(back, rtf);
  ExpectSameDocument(doc, back);
  EXPECT_EQ(WriteRtf(back), rtf);  // stable: a second trip writes the same bytes
  // Non-ASCII text carries an ANSI fallback for readers without Unicode.
  EXPECT_NE(rtf.find("\\u233\\'e9"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\u8364\\'80"), std::string::npos);
  EXPECT_NE(rtf.find("\\u1046?"), std::string::npos);
  EXPECT_NE(rtf.find("{\\pntext\\f"), std::string::npos);
  EXPECT_NE(rtf.find("{\\*\\pn\\pnlvlblt"), std::string::npos);
}

TEST(RtfRoundTrip, EmptyParagraphsAtTheEndAndEmptyDocuments) {
  for (String text : {String(u""), String(u"a"), String(u"a\r"), String(u"\r\r"), String(u"\r")}) {
    TRichDocument doc;
    doc.ReplaceSelection(text);
    TRichDocument back;
    LoadInto(back, WriteRtf(doc));
    EXPECT_EQ(Text(back), text) << StringToUtf8(text);
  }
}

TEST(RtfRoundTrip, SelectionRangeWritesOnlyThatPart) {
  TRichDocument doc;
  doc.ReplaceSelection(u"one two\rthree");
  doc.SetSelection(4, 5);
  doc.SetSelectionCharFormat(TCharFormat{.Bold = true}, cfmBold);
  TRichDocument part;
  LoadInto(part, WriteRtf(doc, 4, 5));
  EXPECT_EQ(Text(part), u"two\rt");
  EXPECT_TRUE(part.CharFormatAt(0).Bold);
}

TEST(RtfRoundTrip, PastedRtfKeepsItsFormatsAndJoinsTheLastParagraph) {
  TRichDocument source;
  source.ReplaceSelection(u"red one\rtwo");
  source.SetSelection(0, 3);
  source.SetSelectionCharFormat(TCharFormat{.Color = 0x0000FF}, cfmColor);
  TParaFormat centred;
  centred.Alignment = paCenter;
  source.SetSelection(0, 0);
  source.SetSelectionParaFormat(centred, pfmAlignment);

  TRichDocument doc;
  doc.ReplaceSelection(u"[]");
  TParaFormat right;
  right.Alignment = paRight;
  doc.SetSelectionParaFormat(right, pfmAlignment);
  doc.SetSelection(1, 0);
  doc.ReplaceSelectionRich(ReadRtf(WriteRtf(source)));
  EXPECT_EQ(Text(doc), u"[red one\rtwo]");
  EXPECT_EQ(doc.CharFormatAt(1).Color, 0x0000FF);
  EXPECT_EQ(doc.CharFormatAt(4).Color, clAutomaticText);
  EXPECT_EQ(doc.ParagraphFormat(0).Alignment, paCenter);
  EXPECT_EQ(doc.ParagraphFormat(1).Alignment, paRight);
  EXPECT_EQ(doc.SelStart(), 12);
  doc.Undo();
  EXPECT_EQ(Text(doc), u"[]");
  EXPECT_EQ(doc.ParagraphFormat(0).Alignment, paRight);
  TRichContent bad;
  bad.Text = u"x";
  EXPECT_THROW(doc.ReplaceSelectionRich(bad), Exception);  // no runs, no paragraphs
  EXPECT_EQ(Text(doc), u"[]");
}

TEST(RtfReader, ReadsBulletsInTheParagraphNumberingForm) {
  TRichDocument doc;
  LoadInto(doc, R"({\rtf1\ansi\ansicpg1252\deff0\deflang1033{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\fnil\fcharset2 Symbol;}}
{\*\generator Writer 5.0;}\viewkind4\uc1
\pard\f0\fs20 Plain \b bold\b0\par
{\pntext\f1\'B7\tab}{\*\pn\pnlvlblt\pnf1\pnindent0{\pntxtb\'B7}}\fi-720\li720 Item one\par
{\pntext\f1\'B7\tab}Item two\par
{\pntext\f0 1.\tab}{\*\pn\pnlvlbody\pnf0\pnindent0\pnstart1\pndec{\pntxta.}}Numbered\par
\pard\qc Centred\par
}
)");
  EXPECT_EQ(Text(doc), u"Plain bold\rItem one\rItem two\rNumbered\rCentred");
  EXPECT_EQ(doc.ParagraphFormat(0).Numbering, pnNone);
  for (int k : {1, 2}) {
    EXPECT_EQ(doc.ParagraphFormat(k).Numbering, pnBullet) << k;
    EXPECT_EQ(doc.ParagraphFormat(k).LeftIndent, 720);
    EXPECT_EQ(doc.ParagraphFormat(k).FirstIndent, -720);
  }
  EXPECT_EQ(doc.ParagraphFormat(3).Numbering, pnNone);  // a numbered level is no bullet
  EXPECT_EQ(doc.ParagraphFormat(4).Numbering, pnNone);
  EXPECT_EQ(doc.ParagraphFormat(4).Alignment, paCenter);
  EXPECT_TRUE(doc.CharFormatAt(6).Bold);
  EXPECT_FALSE(doc.CharFormatAt(11).Bold);
  EXPECT_EQ(doc.CharFormatAt(0).Face, u"Arial");
  EXPECT_EQ(doc.CharFormatAt(0).Size, 10);
}

TEST(RtfReader, ReadsBulletsInTheListTableForm) {
  TRichDocument doc;
  LoadInto(doc, R"({\rtf1\ansi\deff0{\fonttbl{\f0\froman\fcharset0 Times New Roman;}{\f3\fbidi \froman\fcharset2 Symbol;}}
{\*\listtable{\list\listtemplateid1{\listlevel\levelnfc23\levelnfcn23\leveljc0\levelstartat1{\leveltext\'01\u-3913 ?;}{\levelnumbers;}\f3\fi-360\li720}{\listlevel\levelnfc0{\leveltext\'02\'01.;}{\levelnumbers\'01;}}\listid100}
{\list\listtemplateid2{\listlevel\levelnfc0\leveljc0{\leveltext\'02\'00.;}{\levelnumbers\'01;}\fi-360\li720}\listid200}}
{\*\listoverridetable{\listoverride\listid100\listoverridecount0\ls1}{\listoverride\listid200\listoverridecount0\ls2}}
{\stylesheet{\ql \li0\ri0\widctlpar\f0\fs24 \snext0 Normal;}{\*\cs10 \additive Default Paragraph Font;}}
{\info{\title A list}{\author Somebody}}
\pard\plain\f0\fs24 Intro\par
{\listtext\pard\plain\f3\fs24 \u-3913\'b7\tab}\pard\plain \ls1\ilvl0\fi-360\li720\f0\fs24 First\par
{\listtext\pard\plain\f3\fs24 \u-3913\'b7\tab}Second\par
{\listtext\pard\plain\f0\fs24 1.\tab}\pard\plain \ls2\ilvl0\fi-360\li720\f0\fs24 Numbered\par
\pard\plain\f0\fs24 After\par}
)");
  EXPECT_EQ(Text(doc), u"Intro\rFirst\rSecond\rNumbered\rAfter");
  const TParaNumbering expected[] = {pnNone, pnBullet, pnBullet, pnNone, pnNone};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(doc.ParagraphFormat(k).Numbering, expected[k]) << k;
  EXPECT_EQ(doc.ParagraphFormat(1).LeftIndent, 720);
  EXPECT_EQ(doc.CharFormatAt(0).Face, u"Times New Roman");
  EXPECT_EQ(doc.CharFormatAt(0).Size, 12);
}

TEST(RtfReader, UnicodeEscapesSkipTheirFallbacks) {
  struct Case { const char* body; String text; };
  const Case cases[] = {
      {R"(\uc1\u233\'e9t\u233\'e9)", u"\u00E9t\u00E9"},
      {R"(\uc1\u233 ?x)", u"\u00E9x"},
      {R"(\uc2\u8364\'80\'80x)", u"\u20ACx"},
      {R"(\uc0\u8364 x)", u"\u20ACx"},
      {R"(\u-3913?)", u"\uF0B7"},
      {R"(\uc1\u8212\emdash x)", u"\u2014x"},    // a control word counts as one fallback character
      {R"(\uc3\u8364{x}y)", u"\u20ACxy"},        // a group ends the skipping
      {R"(\u55357?\u56832?)", u"\U0001F600"},    // a surrogate pair in two escapes
      {R"({\uc2\u8364 ab}\u8364?c)", u"\u20AC\u20ACc"},  // \uc is scoped to its group
      {R"(a\u10?b\u13?c)", u"a\rb\rc"},                  // escaped line ends are breaks
  };
  for (const Case& c : cases) {
    TRichDocument doc;
    LoadInto(doc, std::string("{\\rtf1\\ansi ") + c.body + "}");
    EXPECT_EQ(Text(doc), c.text) << c.body;
  }
}

TEST(RtfReader, HexEscapesGoThroughTheCodePage) {
  struct Case { const char* rtf; String text; };
  const Case cases[] = {
      {R"({\rtf1\ansi\ansicpg1252 \'e9\'80\'96})", u"\u00E9\u20AC\u2013"},
      {R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})", u"\u0410\u0431"},
      {R"({\rtf1\ansi\ansicpg1253 \'e1\'c2})", u"\u03B1\u0392"},
      {R"({\rtf1\ansi\ansicpg932 \'82\'a0x})", u"\u3042x"},
      {R"({\rtf1\ansi\ansicpg932 \'83e\'83X\'83g \'83\\x})", u"\u30C6\u30B9\u30C8 \u30BDx"},  // ASCII trail bytes
      {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}{\f1\fcharset238 Arial CE;}}\f1 \'b9\f0 \'b9})", u"\u0105\u00B9"},
      {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 Arial;}}\f0 \'c6})", u"\u0416"},
      {"{\\rtf1\\ansi caf\xe9}", u"caf\u00E9"},  // raw 8-bit text too
  };
  for (const Case& c : cases) {
    TRichDocument doc;
    LoadInto(doc, c.rtf);
    EXPECT_EQ(Text(doc), c.text) << c.rtf;
  }
}

TEST(RtfReader, FontNamesInEveryFormWritersUse) {
  struct Case { const char* entry; String face; };
  const Case cases[] = {
      {R"(\froman\fcharset0\fprq2{\*\panose 02020603050405020304}Times New Roman{\*\falt Times};)",
       u"Times New Roman"},
      {R"(\fnil\fcharset134\fprq2 \'cb\'ce\'cc\'e5;)", u"\u5B8B\u4F53"},  // double-byte name
      {R"(\fnil\fcharset128 \u65325?\u65331? Gothic;)", u"\uFF2D\uFF33 Gothic"},
      {R"(\fnil\fcharset0 Semi\'3bColon;)", u"Semi;Colon"},  // an escaped ';' is part of the name
      {R"(\fnil\fcharset0 \u32  Spaced\u32 )", u"Spaced"},     // unfinished entry: no ';'
  };
  for (const Case& c : cases) {
    TRichDocument doc;
    LoadInto(doc, std::string("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0") + c.entry + "}}\\f0 x}");
    EXPECT_EQ(doc.CharFormatAt(0).Face, c.face) << c.entry;
    EXPECT_EQ(Text(doc), u"x") << c.entry;
  }
  // And names the writer has to escape come back whole.
  for (String face : {String(u"\u5B8B\u4F53"), String(u"Semi;Colon"), String(u"{Odd}\\Name")}) {
    TRichDocument doc;
    doc.ReplaceSelection(u"x");
    doc.SetSelection(0, 1);
    doc.SetSelectionCharFormat(TCharFormat{.Face = face}, cfmFace);
    TRichDocument back;
    LoadInto(back, WriteRtf(doc));
    EXPECT_EQ(back.CharFormatAt(0).Face, face) << StringToUtf8(face);
  }
}

TEST(RtfReader, ReadsTheFormsCommonWordProcessorsWrite) {
  TRichDocument doc;
  LoadInto(doc, R"({\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1033{\fonttbl{\f0\fnil\fcharset0 Calibri;}{\f1\fswiss\fprq2\fcharset0 Arial;}{\f2\fnil\fcharset2 Symbol;}}
{\colortbl ;\red255\green0\blue0;\red0\green0\blue255;}
{\*\generator Riched20 10.0.19041}\viewkind4\uc1 
\pard\sa200\sl276\slmult1\f0\fs22\lang9 Hello \b World\b0 .\par
\pard\sb120\sa120\qc\cf1\f1 Red\cf0\par
\pard\plain\sa200 Visit {{\field{\*\fldinst{HYPERLINK "http://example.com/" }}{\fldrslt{\ul\cf2 site}}}}\f0\fs22  now.\par
Pic:{\pict{\*\picprop}\wmetafile8\picw100\pich100\picwgoal60\pichgoal60 
0100090000036e0000000000450000000000}{\*\shppict{\pict\pngblip 89504e47}}{\nonshppict{\pict\wmetafile8 0100}}\par
a\tab b\line c\emdash\endash\lquote\rquote\ldblquote\rdblquote\bullet\~x\-y\_z\par
}
)");
  EXPECT_EQ(Text(doc), u"Hello World.\rRed\rVisit site now.\rPic:\r"
                       u"a\tb\u000Bc\u2014\u2013\u2018\u2019\u201C\u201D\u2022\u00A0xy\u2011z");
  struct Expect { int position; const char16_t* face; int size; bool bold, underline; TColor color; };
  const Expect expected[] = {
      {0, u"Calibri", 11, false, false, clAutomaticText},
      {6, u"Calibri", 11, true, false, clAutomaticText},
      {13, u"Arial", 11, false, false, 0x0000FF},
      {23, u"Calibri", 12, false, true, 0xFF0000},  // \plain, then the field result's own format
      {28, u"Calibri", 11, false, false, clAutomaticText},
  };
  for (const Expect& e : expected) {
    const TCharFormat& f = doc.CharFormatAt(e.position);
    EXPECT_EQ(f.Face, e.face) << e.position;
    EXPECT_EQ(f.Size, e.size) << e.position;
    EXPECT_EQ(f.Bold, e.bold) << e.position;
    EXPECT_EQ(f.Underline, e.underline) << e.position;
    EXPECT_EQ(f.Color, e.color) << e.position;
  }
  EXPECT_EQ(doc.ParagraphFormat(1).Alignment, paCenter);
  EXPECT_EQ(doc.ParagraphFormat(2).Alignment, paLeft);
}

TEST(RtfReader, SkipsDestinationsAndKeepsFieldResults) {
  TRichDocument doc;
  LoadInto(doc, "{\\rtf1\\ansi{\\*\\unknown {\\b nested {deeper \\par}} text}A"
                "{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}B"
                "{\\pict\\pngblip\\bin6 {{}}\\ }C"
                "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
                "{\\header head\\par}\\{\\}\\\\\\~\\tab\\line\\emdash\t\x01}");
  EXPECT_EQ(Text(doc), u"ABClink{}\\\u00A0\t\u000B\u2014\t");
}

TEST(RtfReader, CharacterFormattingWords) {
  TRichDocument doc;
  LoadInto(doc, R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}{\f1 Courier New;}}{\colortbl;\red255\green0\blue0;\red0\green0\blue255;}
\fs23 a\fs99999999999 b\fs-4 c\plain d\b\i\ul e\ulnone\uldb f\ul0\ulwave g\ulnone\strike h\strike0\b0\i0 i\cf1 j\cf2 k\cf0 l\cf99 m\f1 n\plain\cf1 o})");
  struct Expect { char16_t c; int size; bool b, i, u, s; TColor color; const char16_t* face; };
  const Expect expected[] = {
      {u'a', 12, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'b', kMaxFontSize, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'c', kMinFontSize, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'd', 12, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'e', 12, 1, 1, 1, 0, clAutomaticText, u"Arial"},
      {u'f', 12, 1, 1, 1, 0, clAutomaticText, u"Arial"},
      {u'g', 12, 1, 1, 1, 0, clAutomaticText, u"Arial"},
      {u'h', 12, 1, 1, 0, 1, clAutomaticText, u"Arial"},
      {u'i', 12, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'j', 12, 0, 0, 0, 0, 0x0000FF, u"Arial"},
      {u'k', 12, 0, 0, 0, 0, 0xFF0000, u"Arial"},
      {u'l', 12, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'm', 12, 0, 0, 0, 0, clAutomaticText, u"Arial"},
      {u'n', 12, 0, 0, 0, 0, clAutomaticText, u"Courier New"},
      {u'o', 12, 0, 0, 0, 0, 0x0000FF, u"Arial"},
  };
  ASSERT_EQ(doc.Length(), int(std::size(expected)));
  for (int p = 0; p < doc.Length(); ++p) {
    const Expect& e = expected[p];
    const TCharFormat& f = doc.CharFormatAt(p);
    EXPECT_EQ(doc.CharAt(p), e.c);
    EXPECT_EQ(f.Size, e.size) << char(e.c);
    EXPECT_EQ(f.Bold, e.b) << char(e.c);
    EXPECT_EQ(f.Italic, e.i) << char(e.c);
    EXPECT_EQ(f.Underline, e.u) << char(e.c);
    EXPECT_EQ(f.StrikeOut, e.s) << char(e.c);
    EXPECT_EQ(f.Color, e.color) << char(e.c);
    EXPECT_EQ(f.Face, e.face) << char(e.c);
  }
}

TEST(RtfReader, ParagraphFormattingIsScopedAndTakenAtTheBreak) {
  TRichDocument doc;
  LoadInto(doc, R"({\rtf1\ansi \qr\li100\ri200\fi-50 one\par {\qc two\par}three\par\pard\qj four\par\pard five})");
  EXPECT_EQ(Text(doc), u"one\rtwo\rthree\rfour\rfive");
  const TParaAlignment align[] = {paRight, paCenter, paRight, paJustify, paLeft};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(doc.ParagraphFormat(k).Alignment, align[k]) << k;
  EXPECT_EQ(doc.ParagraphFormat(0).LeftIndent, 100);
  EXPECT_EQ(doc.ParagraphFormat(0).RightIndent, 200);
  EXPECT_EQ(doc.ParagraphFormat(0).FirstIndent, -50);
  EXPECT_EQ(doc.ParagraphFormat(4).LeftIndent, 0);
}

TEST(RtfReader, MalformedDataIsReportedOrReadSafely) {
  for (std::string_view bad : {"", "hello", "{\\rt", "\xEF\xBB\xBF{\\rtf1 x}", "{rtf1}"})
    EXPECT_THROW(ReadRtf(bad), EReadError) << bad;

  struct Case { std::string rtf; String text; };
  const Case cases[] = {
      {"{\\rtf1 abc {\\b def", u"abc def"},             // truncated: what was read is kept
      {"{\\rtf1 abc}}}}{more}", u"abc"},                  // data after the closing brace
      {"{\\rtf1 x\\", u"x"},
      {"{\\rtf1 x\\'", u"x"},
      {"{\\rtf1 x\\'4", u"x4"},
      {"{\\rtf1 x\\'zz}", u"xzz"},
      {"{\\rtf1 \\u99999999999999999999 yz}", u"\uFFFDz"},
      {"{\\rtf1 \\uc-5\\u65 B}", u"AB"},
      {"{\\rtf1 \\uc99999\\u65 BCDEFGHIJKLMNOPQRSTU}", u"ARSTU"},  // at most 16 fallback characters,
      {"{\\rtf1 \\bin99999999999999 abc}", u""},
      {"{\\rtf1 \\" + std::string(100, 'a') + " z}", u"z"},
      {"{\\rtf1 \\li99999999999 \\fi-99999999999 p}", u"p"},
  };
  for (const Case& c : cases) {
    TRichDocument doc;
    LoadInto(doc, c.rtf);
    EXPECT_EQ(Text(doc), c.text) << c.rtf;
  }
  TRichDocument doc;
  LoadInto(doc, "{\\rtf1 \\li99999999999 p}");
  EXPECT_EQ(doc.ParagraphFormat(0).LeftIndent, kMaxIndent);
}

TEST(RtfReader, DeepNestingIsReportedInTextAndPassedOverInSkippedParts) {
  const int depth = 100000;
  const std::string deep = std::string(size_t(depth), '{') + "x" + std::string(size_t(depth), '}');
  EXPECT_THROW(ReadRtf("{\\rtf1 " + deep + "}"), EReadError);
  TRichDocument doc;
  LoadInto(doc, "{\\rtf1 a{\\*\\unknown " + deep + "}b}");
  EXPECT_EQ(Text(doc), u"ab");
  // Just inside the limit is fine.
  const int inside = kMaxRtfDepth - 1;
  LoadInto(doc, "{\\rtf1 " + std::string(size_t(inside - 1), '{') + "\\b y" + std::string(size_t(inside - 1), '}') + "z}");
  EXPECT_EQ(Text(doc), u"yz");
  EXPECT_TRUE(doc.CharFormatAt(0).Bold);
  EXPECT_FALSE(doc.CharFormatAt(1).Bold);
}

TEST(PlainText, EncodingFromTheByteOrderMarkAndEveryLineEnd) {
  struct Case { std::string bytes; String text; };
  const Case cases[] = {
      {std::string("\xFF\xFE" "a\0\xE9\0\r\0\n\0b\0", 12), u"a\u00E9\rb"},
      {std::string("\xFE\xFF\0a\0\xE9\0\n\0b", 10), u"a\u00E9\rb"},
      {std::string("\xFF\xFE" "a\0b", 5), u"a\uFFFD"},                 // odd last byte
      {"\xEF\xBB\xBF" "caf\xC3\xA9\rx", u"caf\u00E9\rx"},
      {"caf\xE9 \x80\r\n\n\rz", u"caf\u00E9 \u20AC\r\r\rz"},           // Windows-1252
      {"", u""},
  };
  for (const Case& c : cases) {
    TRichDocument doc;
    doc.Load(ReadPlainText(c.bytes));
    EXPECT_EQ(Text(doc), c.text);
    EXPECT_EQ(doc.ParagraphCount(), int(std::count(c.text.begin(), c.text.end(), u'\r')) + 1);
  }
}

class RichFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() /
           ("quillet_richedit_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  String Path(const char* name) const { return Utf8ToString((FDir / name).string()); }
  void Write(const char* name, std::string_view data) const { WriteFileAtomic(Path(name), data.data(), data.size()); }
  std::filesystem::path FDir;
};

TEST_F(RichFiles, SaveAndLoadRoundTripAndFallBackToPlainText) {
  TRichDocument doc;
  doc.ReplaceSelection(u"Saved \u00E9");
  doc.SetSelection(0, 5);
  doc.SetSelectionCharFormat(TCharFormat{.Italic = true}, cfmItalic);
  SaveRichFile(doc, Path("a.rtf"));
  TRichDocument back;
  back.ReplaceSelection(u"old");
  LoadRichFile(back, Path("a.rtf"));
  ExpectSameDocument(doc, back);
  EXPECT_FALSE(back.Modified());

  Write("plain.rtf", "\xEF\xBB\xBF{not rtf} \xC3\xA9");
  LoadRichFile(back, Path("plain.rtf"));
  EXPECT_EQ(Text(back), u"{not rtf} \u00E9");
  Write("deep.rtf", "{\\rtf1 " + std::string(5000, '{'));  // bad RTF reads as its plain text
  LoadRichFile(back, Path("deep.rtf"));
  EXPECT_EQ(back.Length(), 5007);
}

TEST_F(RichFiles, FailedLoadLeavesTheDocumentUntouched) {
  TRichDocument doc;
  doc.ReplaceSelection(u"keep me");
  doc.SetSelection(0, 4);
  doc.SetSelectionCharFormat(TCharFormat{.Bold = true}, cfmBold);
  doc.SetModified(true);
  EXPECT_THROW(LoadRichFile(doc, Path("missing.rtf")), EFOpenError);
  Write("big.txt", std::string(20, 'x'));
  doc.SetTextLimit(10);
  EXPECT_THROW(LoadRichFile(doc, Path("big.txt")), EReadError);
  EXPECT_EQ(Text(doc), u"keep me");
  EXPECT_TRUE(doc.CharFormatAt(0).Bold);
  EXPECT_TRUE(doc.Modified());
  EXPECT_TRUE(doc.CanUndo());
}

}  // namespace
