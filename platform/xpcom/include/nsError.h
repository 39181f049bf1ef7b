#pragma once
// The result codes the component and the runtime use. Values are those of the browser's
// error list, so that a result reads the same to either side.

#include "nscore.h"

#define NS_OK nsresult(0)

#define NS_ERROR_NOT_IMPLEMENTED nsresult(0x80004001)
#define NS_ERROR_NO_INTERFACE nsresult(0x80004002)
#define NS_ERROR_NULL_POINTER nsresult(0x80004003)
#define NS_ERROR_INVALID_POINTER NS_ERROR_NULL_POINTER
#define NS_ERROR_ABORT nsresult(0x80004004)
#define NS_ERROR_FAILURE nsresult(0x80004005)
#define NS_ERROR_UNEXPECTED nsresult(0x8000FFFF)
#define NS_ERROR_OUT_OF_MEMORY nsresult(0x8007000E)
#define NS_ERROR_INVALID_ARG nsresult(0x80070057)
#define NS_ERROR_ILLEGAL_VALUE NS_ERROR_INVALID_ARG
#define NS_ERROR_NO_AGGREGATION nsresult(0x80040110)
#define NS_ERROR_NOT_AVAILABLE nsresult(0x80040111)
#define NS_ERROR_FACTORY_NOT_REGISTERED nsresult(0x80040154)
#define NS_ERROR_NOT_INITIALIZED nsresult(0xC1F30001)
#define NS_ERROR_ALREADY_INITIALIZED nsresult(0xC1F30002)
#define NS_ERROR_CANNOT_CONVERT_DATA nsresult(0x80460001)
#define NS_ERROR_OBJECT_IS_IMMUTABLE nsresult(0x80460002)
#define NS_ERROR_LOSS_OF_SIGNIFICANT_DATA nsresult(0x80460003)
#define NS_ERROR_ILLEGAL_DURING_SHUTDOWN nsresult(0x8046001E)
#define NS_ERROR_FILE_TARGET_DOES_NOT_EXIST nsresult(0x80520006)
#define NS_ERROR_FILE_NOT_FOUND nsresult(0x80520012)
