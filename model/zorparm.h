/*
** zorparm.h
**   Copies of the whole parameter library (model/parm.h) to and from a
**   dictionary of the stored catalogue file "$FAKE" in the current
**   directory: one resource per described field, named by the field name,
**   members and rows in table order.  Offered for saving and restoring an
**   installation's parameters; nothing in the program calls them.
*/
#ifndef ZAV_MODEL_ZORPARM_H
#define ZAV_MODEL_ZORPARM_H

/*
** zorparmStoreFake
**   Stores every field into the sub-dictionary pcDictName of "$FAKE"
**   (created when absent).  Returns 0, or -1 when the file cannot be opened.
*/
int zorparmStoreFake(const char *pcDictName);

/*
** zorparmLoadFake
**   Loads every field found in the sub-dictionary pcDictName of "$FAKE";
**   fields without a resource keep their values.  Returns 0, or -1 when the
**   file cannot be opened.
*/
int zorparmLoadFake(const char *pcDictName);

#endif
