#include "files/file_state.h"

FilesState file_state;
