// The text work of the client: the envelope, the return-text extraction with
// its entity decoding, the UTF-8 check and JSON decoding.
#include <string>

#include <gtest/gtest.h>

#include "service/JSONValue.h"
#include "service/SoapService.h"
#include "service/XmlText.h"

namespace bus {
namespace {

TEST(Envelope, NumbersAreDecimalAndStringsEscapedInTheGivenOrder) {
    SoapService s = SoapService::initWithPostUrl("http://h:1", "realBus");
    const std::string env = s.BuildSoapwithMethodName(
        "realBus", {{"orderNo", std::int64_t{-7}}, {"gprsId", std::int64_t{9007199254740993}}, {"k", std::string("<&>\"'")}});
    EXPECT_NE(env.find("<ns1:realBus><orderNo>-7</orderNo><gprsId>9007199254740993</gprsId>"
                       "<k>&lt;&amp;&gt;\"'</k></ns1:realBus>"),
              std::string::npos)
        << env;
    EXPECT_EQ(env.find('\n'), std::string::npos);
    EXPECT_NE(env.rfind("<soapenv:Envelope", 0), std::string::npos);  // no XML declaration first
}

TEST(Envelope, RequestUrlIsPercentEscapedButKeepsItsStructure) {
    SoapService s = SoapService::initWithPostUrl("http://127.0.0.1:8080/a b", "queryCity");
    EXPECT_EQ(s.CreatRequest("x").url, "http://127.0.0.1:8080/a%20b/ozkbus/CXFWebService/Bus");
    EXPECT_EQ(xml::addPercentEscapes("http://h/站?q=1&r=%#f"), "http://h/%E7%AB%99?q=1&r=%25#f");
}

TEST(Envelope, AcceptEncodingIsSentOnlyWhenSetAndAfterTheOthers) {
    SoapService s = SoapService::initWithPostUrl("http://h:1", "queryCity");
    EXPECT_EQ(s.CreatRequest("").headers.size(), 2u);
    s.AcceptEncoding = "gzip";
    s.UserAgent = "probe";
    const auto headers = s.CreatRequest("").headers;
    ASSERT_EQ(headers.size(), 3u);
    EXPECT_EQ(headers[0], (std::pair<std::string, std::string>("Content-Type", "text/xml;charset=UTF-8")));
    EXPECT_EQ(headers[1], (std::pair<std::string, std::string>("User-Agent", "probe")));
    EXPECT_EQ(headers[2], (std::pair<std::string, std::string>("Accept-Encoding", "gzip")));
}

TEST(Extraction, TakesTheFirstReturnElementOnly) {
    EXPECT_EQ(SoapService::JxXml("<a><return>abc</return></a>"), "abc");
    EXPECT_EQ(SoapService::JxXml("<return></return>"), "");
    EXPECT_EQ(SoapService::JxXml("<return>1</return><return>2</return>"), "1");
    // A closing tag before the opening one closes nothing.
    EXPECT_EQ(SoapService::JxXml("</return><return>x</return>"), "x");
}

TEST(Extraction, NoUsableReturnElementGivesEmptyText) {
    EXPECT_EQ(SoapService::JxXml(""), "");
    EXPECT_EQ(SoapService::JxXml("<a><return/></a>"), "");
    EXPECT_EQ(SoapService::JxXml("<return xmlns=\"x\">abc</return>"), "");
    EXPECT_EQ(SoapService::JxXml("<a><return>never closed</a>"), "");
    EXPECT_EQ(SoapService::JxXml("</return> then <return>"), "");
}

TEST(Extraction, DecodesEveryEntityExactlyOnce) {
    EXPECT_EQ(SoapService::JxXml("<return>{&quot;a&quot;:&quot;A&amp;B &lt;c&gt; &apos;d&apos;&quot;}</return>"),
              "{\"a\":\"A&B <c> 'd'\"}");
    // An escaped reference stays a reference: decoding does not run twice.
    EXPECT_EQ(SoapService::JxXml("<return>&amp;lt; &amp;quot; &amp;#65;</return>"), "&lt; &quot; &#65;");
    EXPECT_EQ(SoapService::JxXml("<return>&#65;&#x4E2D;&#X41;&#x1F68C;</return>"), "A中&#X41;\U0001F68C");
    EXPECT_EQ(SoapService::JxXml("<return>&#38;amp;</return>"), "&amp;");
}

TEST(Extraction, LeavesWhatIsNotAReferenceAsWritten) {
    for (const char* text : {"&", "&;", "&#;", "&#x;", "&nbsp;", "&#0;", "&#xD800;", "&#x110000;", "&#1;",
                             "&#99999999999999999999;", "&quot", "& amp;", "&#12a;", "a & b"})
        EXPECT_EQ(xml::decodeEntities(text), text) << text;
}

TEST(Utf8, AcceptsWellFormedTextOnly) {
    EXPECT_TRUE(xml::isValidUtf8(""));
    EXPECT_TRUE(xml::isValidUtf8("abc 大同 \U0001F68C \xEF\xBF\xBF"));
    for (const char* bad : {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xE5\xA4", "a\xFF", "\xE5\xA4\x41"})
        EXPECT_FALSE(xml::isValidUtf8(bad)) << bad;
}

TEST(Json, AcceptsAnyValueAtTheTopAndRefusesWhatIsNotJson) {
    EXPECT_FALSE(JSONValue(""));
    EXPECT_FALSE(JSONValue("abc"));
    EXPECT_FALSE(JSONValue("[1,]"));
    EXPECT_FALSE(JSONValue("{\"a\":1} trailing"));
    EXPECT_EQ(JSONValue("12"), nlohmann::json(12));
    EXPECT_EQ(JSONValue(" \"text\" "), nlohmann::json("text"));
    ASSERT_TRUE(JSONValue("null"));
    EXPECT_TRUE(JSONValue("null")->is_null());
    EXPECT_EQ(JSONValue("[]"), nlohmann::json::array());
}

TEST(Json, RefusesNestingBeyondTheLimitButNotBracketsInStrings) {
    const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(JSONValue(nested(kMaxJsonDepth)));
    EXPECT_FALSE(JSONValue(nested(kMaxJsonDepth + 1)));
    EXPECT_FALSE(JSONValue(nested(1'000'000)));
    const std::string deepInText = "[\"" + std::string(10 * kMaxJsonDepth, '[') + "\\\"{\"]";
    EXPECT_TRUE(JSONValue(deepInText));
}

}  // namespace
}  // namespace bus
