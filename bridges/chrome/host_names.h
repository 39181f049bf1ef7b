#pragma once
// The wire vocabulary of the Chrome host: the numeric message types and the
// member names of every message.

// The "type" member of a message.
enum MessageType {
    eMsgInit = 0,
    eMsgInitResult = 1,
    eMsgCall = 2,
    eMsgCallResult = 3,
    eMsgCreate = 4,
    eMsgObject = 5,
    eMsgSetProperty = 6,
    eMsgGetProperty = 8,
    eMsgPropertyValue = 9,
    eMsgRelease = 10,
    eMsgError = 11,
    eMsgQuit = 12,
    eMsgData = 13,
    eMsgCallback = 15,
    eMsgChunk = 17
};

extern const char* const kNameType;
extern const char* const kNameClsId;
extern const char* const kNameQueryId;
extern const char* const kNameClsName;
extern const char* const kNameRetVal;
extern const char* const kNameParams;
extern const char* const kNameErrorNum;
extern const char* const kNameErrorDescr;
extern const char* const kNameVersion;
extern const char* const kNameUserAgent;
extern const char* const kNameMethods;
extern const char* const kNameProperties;
extern const char* const kNameWritableProperties;
extern const char* const kNamePropName;
extern const char* const kNamePropValue;
extern const char* const kNameMethName;
extern const char* const kNameCreate;
extern const char* const kNameData;
extern const char* const kNameChunkNum;
extern const char* const kNameChunkCount;
extern const char* const kNameChunkData;
