// The strict XML check that stands before the framework's parser: what it lets through must be one
// complete, well-formed document; everything the framework's parser could loop on is refused.
#include "plugin/XmlCheck.h"

#include <gtest/gtest.h>

#include <string>

using ravlin::plugin::isWellFormedXml;

TEST(XmlCheck, AcceptsTheDocumentsThePlugInWritesAndReads)
{
    EXPECT_TRUE(isWellFormedXml("<zub cprog=\"0\" version=\"1\"><programs><program programname=\"1 default\" "
                                "model=\"0\" in=\"0.5\"/></programs></zub>"));
    // The embedded default bank's form: declaration, blanks between elements.
    EXPECT_TRUE(
        isWellFormedXml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zub cprog=\"0\" version=\"1\">\n"
                        "  <programs>  <program programname=\"2 default\" gain=\"0.5\"/> </programs>\n</zub>\n"));
    // Names escaped by the framework's attribute writer, in UTF-8 and as character references.
    EXPECT_TRUE(isWellFormedXml("<zub><programs><program programname=\"Crunch &amp; &lt;lead&gt; &#233; "
                                "\xC3\xA9\"/></programs></zub>"));
    EXPECT_TRUE(isWellFormedXml("<!-- a comment --><zub/><?pi closed?>  "));
}

TEST(XmlCheck, RefusesEverythingThatIsNotOneCompleteDocument)
{
    const char* const refused[] = {
        "",
        "   ",
        "this is not xml <<<",
        "<zub cprog=\"1\">",                                   // root never closed
        "<zub><programs></zub>",                               // mismatched end tag
        "<zub cprog=\"1\"/><zub/>",                            // two roots
        "<zub/>junk",                                          // text after the root
        "<zub cprog=\"1></zub>",                               // attribute never closed
        "<zub a=\"1\" a=\"2\"/>",                              // repeated attribute
        "<zub>&undefined;</zub>",                              // entity that nothing declares
        "<zub n=\"&#xD800;\"/>",                               // reference to a surrogate, not a character
        "<zub n=\"&#0;\"/>",                                   // reference to NUL
        "<zub>\x01</zub>",                                     // control character
        "<zub>\xFF</zub>",                                     // not UTF-8
        "<?xml version=\"1.0\"?><zub><?P=\"2\">@",             // processing instruction never closed
        "<zub><?p?>@<?P>",                                     // the shape the framework's parser loops on
        "<zub><?P=\"2\">@<?Prog",                              // processing instructions never closed
        "<!DOCTYPE zub [<!ENTITY a \"aaaa\">]><zub>&a;</zub>", // entity definitions
        "<!DOCTYPE zub SYSTEM \"file:///etc/passwd\"><zub/>",  // external document type
    };
    for (const char* text : refused)
        EXPECT_FALSE(isWellFormedXml(text)) << '"' << text << '"';
    EXPECT_FALSE(isWellFormedXml(std::string("<zub/>\0", 7))) << "a zero byte is not XML text";
}

TEST(XmlCheck, NestingIsLimitedSoARecursiveParserKeepsItsStack)
{
    const auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    };
    EXPECT_TRUE(isWellFormedXml(nested(ravlin::plugin::maxXmlDepth)));
    EXPECT_FALSE(isWellFormedXml(nested(ravlin::plugin::maxXmlDepth + 1)));
    EXPECT_FALSE(isWellFormedXml(nested(200000))) << "well-formed, but deep enough to overflow a stack";
}

TEST(XmlCheck, LongMalformedTextsAreRefusedLikeShortOnes)
{
    std::string many = "<zub>";
    while (many.size() < (1u << 20))
        many += "@<?Prog=\"2\">";
    EXPECT_FALSE(isWellFormedXml(many));
}
