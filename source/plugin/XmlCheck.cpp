#include "plugin/XmlCheck.h"

#include <expat.h>

#include <climits>
#include <memory>

namespace ravlin::plugin {
namespace {
struct ParserDeleter
{
    void operator()(XML_Parser p) const noexcept { XML_ParserFree(p); }
};

struct CheckState
{
    XML_Parser parser;
    int depth = 0;
};

void XMLCALL enterElement(void* userData, const XML_Char*, const XML_Char**)
{
    auto& state = *static_cast<CheckState*>(userData);
    if (++state.depth > maxXmlDepth)
        XML_StopParser(state.parser, XML_FALSE);
}

void XMLCALL leaveElement(void* userData, const XML_Char*) { --static_cast<CheckState*>(userData)->depth; }

/** A document type declaration stops the parse: the text is refused. */
void XMLCALL refuseDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    XML_StopParser(static_cast<CheckState*>(userData)->parser, XML_FALSE);
}
} // namespace

bool isWellFormedXml(std::string_view text) noexcept
{
    if (text.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate("UTF-8"));
    if (parser == nullptr)
        return false;
    CheckState state{parser.get()};
    XML_SetUserData(state.parser, &state);
    XML_SetElementHandler(state.parser, enterElement, leaveElement);
    XML_SetStartDoctypeDeclHandler(state.parser, refuseDoctype);
    // External entities are never fetched: no handler is set and parameter entities stay off.
    XML_SetParamEntityParsing(state.parser, XML_PARAM_ENTITY_PARSING_NEVER);
    return XML_Parse(state.parser, text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_OK;
}
} // namespace ravlin::plugin
