#pragma once

#include <string>

#include "model/class_model.h"
#include "platform/data_access.h"
#include "platform/form.h"

namespace veltrana {

// Reads the whole class the one way every reader of the database follows: the fixed query texts
// on the shared record set, each table's row count taken once and exactly that many rows
// walked. Students first, then Bflearning, then the stream's subject tables. A table that fails
// keeps its failure in the model and the reading goes on with the next, so the check can report
// them all; the views stop at the first. Nothing is read when Students fails: without it the
// stream is unknown.
//
// The stream's course column is courseField when it is given, else it follows the first
// student's Attrib.
ClassModel readClass(Connection& connection, Recordset& rs, const std::string& courseField = {});

// The same over the window's connection, on a new shared record set; 91 without a connection.
ClassModel readClass(Form& form, const std::string& courseField = {});

// Only the students, for a look-up, the same way over the window's connection.
TableRows readStudents(Form& form);

}  // namespace veltrana
