#include "core/error.h"
#include "prefs/xml_tree.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
TXMLTree Parse(std::string_view text) {
  TXMLTree t;
  t.LoadFromString(text);
  return t;
}
} // namespace

TEST(XMLTree, ElementsAttributesAndText) {
  auto t = Parse("<?xml version=\"1.0\"?>\r\n<APP name=\"Zelvar\" build=\"5750\">\r\n"
                 " <FrontEnd Skin=\"x\">text here<Pos Left=\"450\"/></FrontEnd>\r\n <Empty/>\r\n</APP>\r\n");
  TXMLNode* root = t.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Name(), "APP");
  EXPECT_EQ(root->GetAttr("NAME"), "Zelvar");
  EXPECT_EQ(root->GetAttr("missing"), "");
  ASSERT_EQ(root->ChildCount(), 2u);
  TXMLNode* fe = root->FindChild("frontend");
  ASSERT_NE(fe, nullptr);
  EXPECT_EQ(fe->Text(), "text here");
  EXPECT_EQ(fe->Parent(), root);
  ASSERT_EQ(fe->ChildCount(), 1u);
  EXPECT_EQ(fe->Child(0)->GetAttr("left"), "450");
  EXPECT_EQ(fe->Child(0)->ChildCount(), 0u);
  EXPECT_EQ(root->Child(1)->Name(), "Empty");
  EXPECT_EQ(root->Text(), "\r\n ");
}

TEST(XMLTree, DeclarationOnlyHasNoRootAndWritesOneLine) {
  auto t = Parse("<?xml version=\"1.0\"?>");
  EXPECT_EQ(t.Root(), nullptr);
  EXPECT_EQ(t.SaveToString(), "<?xml version=\"1.0\"?>\r\n");
  EXPECT_EQ(Parse("").Root(), nullptr);
  EXPECT_EQ(Parse("just text").Root(), nullptr);
}

TEST(XMLTree, CommentsAreSkippedEverywhere) {
  auto t = Parse("<!-- before > root --><?xml?><!--x--><R a=\"1\"><!-- in <B/> side --><A/><!-- between --><B/></R>");
  ASSERT_NE(t.Root(), nullptr);
  EXPECT_EQ(t.Root()->Name(), "R");
  ASSERT_EQ(t.Root()->ChildCount(), 2u);
  EXPECT_EQ(t.Root()->Child(0)->Name(), "A");
  EXPECT_EQ(t.Root()->Child(1)->Name(), "B");
}

TEST(XMLTree, NamesEndAtPunctuation) {
  auto t = Parse("<my-app x.y=\"1\" ns:z=\"2\" _u=\"3\"/>");
  ASSERT_NE(t.Root(), nullptr);
  EXPECT_EQ(t.Root()->Name(), "my");
  // "app" after the cut starts an attribute name, which then takes the next quoted value; "x.y"
  // is skipped on the way. "ns:z" is cut to "ns".
  EXPECT_EQ(t.Root()->GetAttr("app"), "1");
  EXPECT_EQ(t.Root()->GetAttr("x"), "");
  EXPECT_EQ(t.Root()->GetAttr("ns"), "2");
  EXPECT_EQ(t.Root()->GetAttr("_u"), "3");
}

TEST(XMLTree, AttributeRules) {
  auto t = Parse("<E a = \"one\" b=\"x\" b=\"last\" c=unquoted d=\"open/>");
  TXMLNode* e = t.Root();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetAttr("a"), "one");
  EXPECT_EQ(e->GetAttr("b"), "last"); // a repeated name keeps the last value
  ASSERT_EQ(e->Attributes().size(), 2u);
  EXPECT_EQ(e->GetAttr("d"), ""); // an unterminated value is dropped
}

TEST(XMLTree, EscapedValuesRoundTrip) {
  TXMLTree t;
  auto root = std::make_unique<TXMLNode>("R");
  root->SetAttr("v", "a<b & \"c\" 'd' > &lt; literally");
  t.SetRoot(std::move(root));
  std::string xml = t.SaveToString();
  EXPECT_NE(xml.find("v=\"a&lt;b &amp; &quot;c&quot; &apos;d&apos; &gt; &amp;lt; literally\""), std::string::npos)
      << xml;
  auto back = Parse(xml);
  EXPECT_EQ(back.Root()->GetAttr("v"), "a<b & \"c\" 'd' > &lt; literally");
  EXPECT_EQ(TXMLTree::Unescape("&AMP;&Lt;&unknown;&"), "&<&unknown;&");
  EXPECT_EQ(TXMLTree::Unescape("&amp;lt;"), "&lt;"); // replaced text is not scanned again
}

TEST(XMLTree, WritingIndentsOneBlankPerLevelAndDropsText) {
  auto t = Parse("<A x=\"1\"><B>lost text<C y=\"2\"/></B><D/></A>");
  EXPECT_EQ(t.SaveToString(),
            "<?xml version=\"1.0\"?>\r\n<A x=\"1\">\r\n <B>\r\n  <C y=\"2\"/>\r\n </B>\r\n <D/>\r\n</A>\r\n");
  auto again = Parse(t.SaveToString());
  EXPECT_EQ(again.Root()->Child(0)->Text(), "\r\n  ");
}

TEST(XMLTree, MalformedInputGivesTheDescribedStructure) {
  // An element without an end tag takes every following element as its child.
  auto t = Parse("<A><B><C/></A>");
  ASSERT_NE(t.Root(), nullptr);
  TXMLNode* b = t.Root()->Child(0);
  ASSERT_EQ(b->Name(), "B");
  ASSERT_EQ(b->ChildCount(), 2u);
  EXPECT_EQ(b->Child(0)->Name(), "C");
  // The unmatched "</A>" is read as a start tag with an empty name, inside B.
  EXPECT_EQ(b->Child(1)->Name(), "");
  // End tags must match exactly, case included.
  auto u = Parse("<A><b></B><c/></A>");
  TXMLNode* lower = u.Root()->Child(0);
  EXPECT_EQ(lower->Name(), "b");
  ASSERT_EQ(lower->ChildCount(), 1u);
  EXPECT_EQ(lower->Child(0)->Name(), "");
  EXPECT_EQ(lower->Child(0)->Child(0)->Name(), "c");
  // Bytes after the root's end tag are ignored.
  auto v = Parse("<A/><B/>trailing");
  EXPECT_EQ(v.Root()->Name(), "A");
  // A ">" outside any tag ends the element it stands in.
  auto w = Parse("<A>x > y<B/></A>");
  EXPECT_EQ(w.Root()->ChildCount(), 0u);
  EXPECT_EQ(w.Root()->Text(), "x >");
}

TEST(XMLTree, DeepNestingIsCutAndNeedsNoRecursion) {
  // 300 000 unclosed tags: what lies deeper than the limit is read past and dropped, so saving the
  // document costs no more than a normal one.
  std::string text;
  for (int i = 0; i < 300000; ++i)
    text += "<n>";
  auto t = Parse(text);
  ASSERT_NE(t.Root(), nullptr);
  size_t depth = 1;
  for (TXMLNode* n = t.Root(); n->ChildCount(); n = n->Child(0))
    ++depth;
  EXPECT_EQ(depth, static_cast<size_t>(TXMLTree::kMaxDepth));
  EXPECT_LT(t.SaveToString().size(), 20000u);
  // A dropped subtree still ends where it ends: what follows it lands in the right element.
  std::string nested;
  for (int i = 0; i < 150; ++i)
    nested += "<d>";
  for (int i = 0; i < 150; ++i)
    nested += "</d>";
  auto u = Parse("<A>" + nested + "<B x=\"1\"/></A>");
  ASSERT_EQ(u.Root()->ChildCount(), 2u);
  EXPECT_EQ(u.Root()->Child(1)->Name(), "B");
  EXPECT_EQ(u.GetByPath("B\\x"), "1");
  // Freeing a chain far deeper than any parse gives, through ClearChildren and the destructor, is
  // iterative.
  auto chain = std::make_unique<TXMLNode>("n");
  TXMLNode* end = chain.get();
  for (int i = 0; i < 200000; ++i)
    end = end->AddChild("n");
  chain->Child(0)->ClearChildren();
  EXPECT_EQ(chain->Child(0)->ChildCount(), 0u);
  end = chain->Child(0);
  for (int i = 0; i < 200000; ++i)
    end = end->AddChild("n");
  chain.reset();
}

TEST(XMLTree, NodeOperations) {
  TXMLNode root("R");
  TXMLNode* a = root.AddChild("Item");
  a->SetAttr("id", "ABC");
  TXMLNode* b = root.AddChild("item");
  b->SetAttr("ID", "def");
  TXMLNode* c = root.AddChild("Other");
  c->SetAttr("id", "def");
  EXPECT_EQ(root.FindChildById("ITEM", "DEF"), b);
  EXPECT_EQ(root.FindChildById("other", "def"), c);
  EXPECT_EQ(root.FindChildById("Item", "zzz"), nullptr);
  auto removed = root.RemoveChild(a);
  EXPECT_EQ(removed.get(), a);
  EXPECT_EQ(removed->Parent(), nullptr);
  ASSERT_EQ(root.ChildCount(), 2u);
  EXPECT_EQ(root.Child(0), b);
  EXPECT_EQ(root.RemoveChild(a), nullptr);
  root.DeleteChild(c);
  EXPECT_EQ(root.ChildCount(), 1u);
  b->AddAttr("x", "1");
  b->AddAttr("X", "2");
  b->SetAttr("x", "3"); // every attribute of the name changes
  EXPECT_EQ(b->Attributes()[1].value, "3");
  EXPECT_EQ(b->Attributes()[2].value, "3");
}

TEST(XMLTree, GetByPath) {
  auto t = Parse("<R v=\"root\"><PlayList Font=\"attr\"><Font Name=\"Arial\">inner</Font></PlayList></R>");
  EXPECT_EQ(t.GetByPath("Playlist\\Font\\Name"), "Arial");
  EXPECT_EQ(t.GetByPath("\\\\playlist\\font"), "inner");
  EXPECT_EQ(t.GetByPath("v"), "root");
  EXPECT_EQ(t.GetByPath("Missing\\Ignored\\Too"), "");
  EXPECT_EQ(t.GetByPath("PlayList\\Size\\X"), ""); // the first non-child is read as an attribute
  EXPECT_EQ(TXMLTree().GetByPath("a"), "");
}

TEST(XMLTree, FilesLoadDecodeAndSaveAtomically) {
  zvtest::TempDir dir;
  std::string path = dir.file("ZV.xml");
  TXMLTree t;
  EXPECT_FALSE(t.LoadFromFile(path));
  zvtest::WriteFile(path, "<R n=\"caf\xe9\"/>"); // Windows-1252, as an older file may be
  ASSERT_TRUE(t.LoadFromFile(path));
  EXPECT_EQ(t.Root()->GetAttr("n"), "caf\xc3\xa9");
  // A file that cannot be opened leaves the current document.
  EXPECT_FALSE(t.LoadFromFile(dir.file("none.xml")));
  EXPECT_EQ(t.Root()->Name(), "R");
  t.SaveToFile(path);
  EXPECT_EQ(zvtest::ReadFile(path), "<?xml version=\"1.0\"?>\r\n<R n=\"caf\xc3\xa9\"/>\r\n");
  // A failed save raises and leaves the old file whole.
  std::filesystem::create_directory(dir.file("sub"));
  zvtest::WriteFile(dir.file("sub/keep"), "k");
  EXPECT_THROW(t.SaveToFile(dir.file("sub")), EZvError);
  EXPECT_EQ(zvtest::ReadFile(path), "<?xml version=\"1.0\"?>\r\n<R n=\"caf\xc3\xa9\"/>\r\n");
}

TEST(XMLTree, LoadFromStreamStartsAtThePosition) {
  TMemoryStream m("garbage<A x=\"1\"/>");
  m.SetPosition(7);
  TXMLTree t;
  t.LoadFromStream(m);
  ASSERT_NE(t.Root(), nullptr);
  EXPECT_EQ(t.Root()->GetAttr("x"), "1");
}
