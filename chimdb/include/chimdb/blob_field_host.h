#pragma once

namespace chimdb {

class OptimBlobStream;

// What a blob field stream needs from the table cursor that holds the field.
class BlobFieldHost {
  public:
    virtual ~BlobFieldHost() = default;

    // The blob stream of a field in the record buffer that field access currently uses.
    virtual OptimBlobStream& ActiveBlobStream(int fieldNo) = 0;
    // Sets the field's modified flag.
    virtual void SetFieldModified(int fieldNo) = 0;
    // Tells the dataset that the field's data changed.
    virtual void FieldDataChanged(int fieldNo) = 0;
};

}  // namespace chimdb
