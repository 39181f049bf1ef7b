#include "host_names.h"

const char* const kNameType = "type";
const char* const kNameClsId = "cls_id";
const char* const kNameQueryId = "query_id";
const char* const kNameClsName = "cls_name";
const char* const kNameRetVal = "retVal";
const char* const kNameParams = "params";
const char* const kNameErrorNum = "error_num";
const char* const kNameErrorDescr = "error_descr";
const char* const kNameVersion = "version";
const char* const kNameUserAgent = "userAgent";
const char* const kNameMethods = "methods";
const char* const kNameProperties = "properties";
const char* const kNameWritableProperties = "writable_properties";
const char* const kNamePropName = "property";
const char* const kNamePropValue = "value";
const char* const kNameMethName = "method";
const char* const kNameCreate = "create";
const char* const kNameData = "data";
const char* const kNameChunkNum = "num";
const char* const kNameChunkCount = "count";
const char* const kNameChunkData = "chunk";
