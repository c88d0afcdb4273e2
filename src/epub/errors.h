#pragma once
// Errors raised while a book is read. Every failure of TEpuB::Open is a BookReadError, so a
// caller that only needs "this book is unreadable" catches that one type.
#include "platform/error.h"

namespace epub {

// A book cannot be read: entry missing, document malformed, required element absent.
class BookReadError : public platform::Error {
public:
    using platform::Error::Error;
};

// Malformed XML, raised by LoadXmlDocument. The text is the XML library's message followed by
// the position it reported.
class XmlError : public BookReadError {
public:
    using BookReadError::BookReadError;
};

// A query needs a top-level element ("rootfiles", "spine", "manifest") that the document lacks.
class MissingElementError : public BookReadError {
public:
    using BookReadError::BookReadError;
};

// An archive entry inflates to more than kMaxEntrySize: treated as a damaged book, never
// read into memory whole.
class EntryTooLargeError : public BookReadError {
public:
    using BookReadError::BookReadError;
};

}  // namespace epub
