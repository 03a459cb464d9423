#pragma once

#include <memory>

#include "platform/data_access.h"

namespace veltrana {

// Connections that read Access files (Jet 3, Jet 4, ACE) with libmdb.
class MdbDataAccess : public DataAccess {
public:
    std::unique_ptr<Connection> newConnection() override;
};

}  // namespace veltrana
