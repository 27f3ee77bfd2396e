#pragma once
// The rows that ship with the code tables: the statutory health-service work items and the event codes.
class Database;

void seedListOHS(Database& db);
void seedNursingCode(Database& db);
