#include "detect/xml_document.h"

#include <gtest/gtest.h>

#include <string>

namespace qws {
namespace {

struct Parsed {
  XmlDocumentPtr document{CreateXml()};
  std::string text;
  int result = 1;
  explicit Parsed(std::string source) : text(std::move(source)) {
    result = ParseXml(document.get(), text.data(), static_cast<ptrdiff_t>(text.size()));
  }
  const XmlNode* root() const { return RootElement(document.get()); }
  // The first value called `name` of `element` (the root by default), or "<unreadable>".
  std::u16string Value(const char16_t* name, const XmlNode* element = nullptr) const {
    std::u16string text16;
    if (!ReadNamedValueText(document.get(), element ? element : root(), name, 255, &text16)) {
      return u"<unreadable>";
    }
    return text16;
  }
};

size_t CountChildren(const XmlNode* element, int kind) {
  size_t count = 0;
  for (const XmlNode* child = element->firstChild; child; child = child->nextSibling) {
    if (child->kind == kind) ++count;
  }
  return count;
}

TEST(XmlDocument, AcceptsTheDialectAndRejectsEverythingElse) {
  const std::string name49(49, 'n');
  const std::string name50(50, 'n');
  const struct {
    std::string text;
    int result;
  } cases[] = {
      {R"(<a x="1"/>)", 0},
      {R"(<a/>)", 0},
      {R"(<a><b/></a/>)", 1},
      {R"(<?xml version="1.0" encoding="UTF-8"?><a/>)", 0},
      {R"(<?XML VERSION="1.0" ? ><a/>)", 0},
      {R"(<?xml version="1.1"?><a/>)", 1},
      {R"(<?xml encoding="UTF-8"?><a/>)", 1},
      {"\t\t<VENDORS>\r\n\t<V\tA=\"1\"/>\r\n</VENDORS>", 0},
      {R"(<a>text</a>)", 1},
      {R"(<a><!-- note --></a>)", 1},
      {R"(<a><![CDATA[x]]></a>)", 1},
      {R"(<!DOCTYPE a><a/>)", 1},
      {R"(<a><?pi x="1"?></a>)", 1},
      {R"(<a x='1'/>)", 1},
      {R"(<a x="1)", 1},
      {R"(<a><b/>)", 1},
      {"", 1},
      {"   ", 1},
      {R"(x="1")", 1},
      {R"(</a>)", 1},
      {R"(<a-b/>)", 1},
      {R"(<>)", 1},
      {"<" + name49 + "/>", 0},
      {"<" + name50 + "/>", 1},
      {"<a " + name49 + "=\"1\"/>", 0},
      {"<a " + name50 + "=\"1\"/>", 1},
      // Only the first complete element is read.
      {R"(<a/>garbage<)", 0},
      {R"(<a><b></c></a>)", 0},
  };
  for (const auto& c : cases) {
    Parsed parsed(c.text);
    EXPECT_EQ(parsed.result, c.result) << c.text;
    EXPECT_EQ(parsed.root() != nullptr, c.result == 0) << c.text;
  }
}

TEST(XmlDocument, BuildsElementsValuesAndValueElements) {
  Parsed single(R"(<a x="1"/>)");
  ASSERT_EQ(single.result, 0);
  EXPECT_EQ(CountChildren(single.root(), kXmlValue), 1u);
  EXPECT_EQ(CountChildren(single.root(), kXmlElement), 0u);

  Parsed nested(R"(<p><a x="1"/></p>)");
  ASSERT_EQ(nested.result, 0);
  EXPECT_EQ(CountChildren(nested.root(), kXmlElement), 1u);
  EXPECT_EQ(nested.root()->firstChild->parent, nested.root());

  // A value element needs no closing tag; a closing tag's name is not compared.
  Parsed shorthand(
      "<DATABASE><ITEM><NAME=\"Size\"><VALUE=\"1F\"></ITEM><SERVICES a=\"1\"></SERICES>"
      "<LAST/></DATABASE>");
  ASSERT_EQ(shorthand.result, 0);
  XmlCursor cursor;
  const XmlNode* item = NextChildElement(shorthand.root(), cursor);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(CountChildren(item, kXmlValue), 2u);
  EXPECT_EQ(CountChildren(item, kXmlElement), 0u);
  EXPECT_EQ(shorthand.Value(u"NAME", item), u"Size");
  const XmlNode* services = NextChildElement(shorthand.root(), cursor);
  const XmlNode* last = NextChildElement(shorthand.root(), cursor);
  ASSERT_NE(services, nullptr);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(std::u16string(last->name), u"LAST");
  EXPECT_EQ(NextChildElement(shorthand.root(), cursor), nullptr);
  EXPECT_EQ(NextChildElement(shorthand.root(), cursor), nullptr);  // stays at the end
}

TEST(XmlDocument, DecodesValuesWhenRead) {
  Parsed parsed(
      "<a once=\"&amp;lt;\" hex=\"&#x41;&#66;\" nb=\"x&nbsp;y\" unknown=\"&euro;\""
      " lines=\"ab\r\ncd\" tab=\"a\tb\" utf8=\"\xC3\xA9\xE2\x82\xAC\" quot=\"&QUOT;&apos;\""
      " sym=\"&copy;&reg;\" stray=\"\x80x\xFF\" cut=\"\xC3x\" long=\"&verylongx;\""
      " nosemi=\"&#x41\" baddigit=\"&#1a;\" gt=\"a>b\"/>");
  ASSERT_EQ(parsed.result, 0);
  const struct {
    const char16_t* name;
    std::u16string value;
  } cases[] = {
      {u"once", u"&lt;"},          {u"hex", u"AB"},
      {u"nb", u"x y"},             {u"unknown", u"<unreadable>"},
      {u"lines", u"abcd"},         {u"tab", u"a b"},
      {u"utf8", u"\u00E9\u20AC"},  {u"quot", u"\"'"},
      {u"sym", u"\u00A9\u00AE"},   {u"stray", u" x "},
      {u"cut", u"<unreadable>"},   {u"long", u"<unreadable>"},
      {u"nosemi", u"<unreadable>"}, {u"baddigit", u"<unreadable>"},
      {u"gt", u"a>b"},             {u"Once", u"&lt;"},
      {u"missing", u"<unreadable>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parsed.Value(c.name), c.value) << std::string(c.name, c.name + 3);
  }
}

TEST(XmlDocument, FindsEveryValueOfANameAndNeverTruncates) {
  Parsed parsed(R"(<a VALUE="one" other="x" value="two"><b/></a>)");
  ASSERT_EQ(parsed.result, 0);
  XmlCursor cursor;
  const XmlNode* first = FindValueNode(parsed.root(), u"Value", cursor);
  const XmlNode* second = FindValueNode(parsed.root(), u"Value", cursor);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(FindValueNode(parsed.root(), u"Value", cursor), nullptr);

  char16_t buffer[4];
  size_t capacity = 4;
  ASSERT_EQ(ReadValue(parsed.document.get(), first, buffer, &capacity), 0);
  EXPECT_EQ(capacity, 4u);
  EXPECT_EQ(std::u16string(buffer), u"one");
  capacity = 3;
  EXPECT_EQ(ReadValue(parsed.document.get(), second, buffer, &capacity), 1);
  EXPECT_EQ(capacity, 3u);
}

TEST(XmlDocument, ReadsHexValuesAndFindsTheDatabase) {
  Parsed parsed(
      "<r><x/><database><i VALUE=\"00fFa0\"/><i VALUE=\"FFFFFFFFFFFFFFFF\"/>"
      "<i VALUE=\"1FFFFFFFFFFFFFFFF\"/><i VALUE=\"12g\"/><i VALUE=\"\"/></database></r>");
  ASSERT_EQ(parsed.result, 0);
  const XmlNode* database = FindDatabaseElement(parsed.root());
  ASSERT_NE(database, nullptr);
  const struct {
    bool ok;
    uint64_t number;
  } expected[] = {{true, 0xFFA0}, {true, ~0ull}, {false, 0}, {false, 0}, {false, 0}};
  XmlCursor cursor;
  for (const auto& e : expected) {
    const XmlNode* item = NextChildElement(database, cursor);
    ASSERT_NE(item, nullptr);
    uint64_t number = 0;
    EXPECT_EQ(ReadHexValue(parsed.document.get(), item, &number), e.ok);
    if (e.ok) {
      EXPECT_EQ(number, e.number);
    }
  }
}

TEST(XmlDocument, ParsesOnceAndSurvivesDeepNesting) {
  XmlDocumentPtr document(CreateXml());
  ASSERT_EQ(ParseXml(document.get(), "<a/>", -1), 0);
  EXPECT_EQ(ParseXml(document.get(), "<b/>", -1), 1);

  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  Parsed unfinished(deep);
  EXPECT_EQ(unfinished.result, 1);
  for (int i = 0; i < 200000; ++i) deep += "</a>";
  Parsed finished(deep);
  EXPECT_EQ(finished.result, 0);
}

}  // namespace
}  // namespace qws
