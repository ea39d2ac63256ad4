#pragma once

// q5-crash-reporter --send-pending: sends the packages that wait, without a crash, and ends
// within a minute whatever the network does. Prints how many were sent and how many wait.
// Always exit status 0, as every run of the reporter.
int sendPendingPackages(char* argv[]);
