namespace pirolex {}
