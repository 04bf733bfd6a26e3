// Whether a port can be opened by someone else once a program let go of it:
// the exclusive flag a program sets on its port outlives the program when
// it is not cleared, and then refuses every opener but the administrator.
#pragma once

#include <string>

// true when a user without privileges could open sPath now. As root the
// device is made writable for everyone (so that only the flag decides) and
// a child that dropped to the user nobody tries; otherwise this process
// tries itself, since the flag refuses the owner too.
bool OrdinaryUserCanOpen(const std::string& sPath);
