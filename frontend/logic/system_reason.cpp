#include "frontend/logic/system_reason.h"

#include <cerrno>

namespace kelvo::frontend {

std::string systemReason(int error)
{
    switch (error) {
    case ENOENT: return "nie ma takiego pliku ani folderu";
    case ENOTDIR: return "część ścieżki nie jest folderem";
    case EISDIR: return "to jest folder, nie plik";
    case EACCES:
    case EPERM: return "brak uprawnień";
    case ENOSPC: return "brak miejsca na dysku";
    case EDQUOT: return "przekroczony przydział miejsca na dysku";
    case EIO: return "błąd odczytu lub zapisu urządzenia";
    case EROFS: return "system plików tylko do odczytu";
    case EEXIST: return "plik już istnieje";
    case ENAMETOOLONG: return "za długa nazwa";
    case EBUSY: return "zasób zajęty";
    // What the program's own file routines refuse.
    case ELOOP: return "dowiązanie symboliczne, którego nie wolno użyć (innego użytkownika we wspólnym folderze albo zapętlone)";
    case EINVAL: return "to nie jest zwykły plik";
    case EFBIG: return "plik jest za duży";
    default: return "błąd systemu nr " + std::to_string(error);
    }
}

}
