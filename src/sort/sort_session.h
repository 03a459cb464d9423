#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/folder_name.h"
#include "platform/file_system.h"
#include "sort/destination.h"

namespace veltrana {

// The photos in the inbox, by name, without hidden files (ours: claims and copies under way).
std::vector<std::string> inboxPhotos(FileSystem& fileSystem, const std::string& appPath);

// The order of a roll-call batch: by the time each photo was taken (timeOf gives a text that sorts
// as time does), then by path.
void orderByTakenTime(std::vector<std::string>& paths,
                      const std::function<std::string(const std::string&)>& timeOf);

// One pass over a batch of photos, filed one at a time by the teacher. Photos of the inbox are
// moved: landed in the node's folder the one way every upload lands, and removed from the inbox
// only then. Photos chosen elsewhere are copied and never touched. Filings can be undone, the
// last first, as long as the filed file is as it was filed.
class SortSession {
public:
    struct Photo {
        std::string path;   // where it is when not filed
        bool moved;         // the original goes once it is filed
        std::string filed;  // where it was filed, empty when it was not
    };

    // The photos in paths are moved when they are in the inbox of appPath, or all of them with
    // move (a photo filed wrongly, moved on from its node's folder); else copied.
    SortSession(FileSystem& fileSystem, SortCatalogue catalogue, std::string appPath,
                const std::vector<std::string>& paths, bool move = false);

    const std::vector<Photo>& photos() const { return photos_; }
    const SortCatalogue& catalogue() const { return catalogue_; }
    // The photo shown; photos().size() when the batch is through.
    std::size_t current() const { return current_; }
    bool done() const { return current_ >= photos_.size(); }

    // Where the next filing goes; stays from one photo to the next until changed.
    Destination to;
    // After each filing the student moves on to the next in roll-call order.
    bool rollCall = false;

    // Files the current photo into to's folder under its own name or, when that is taken, the
    // first free numbered one, and moves on. A photo that has left the inbox meanwhile (another
    // copy of the program filed it) is dropped from the batch. Returns the line that says what
    // happened; fails (nothing changed) when the name cannot land or the copy fails.
    std::string file();
    // Leaves the current photo where it is and shows the next.
    void skip();
    // Moves the destination's student to the next (or previous) in roll-call order.
    void stepStudent(int by);
    bool canUndo() const { return !filings_.empty(); }
    // Undoes the last filing: the photo goes back where it came from, under its old name, and is
    // shown again with its destination. A filed file that was changed since is left alone, and
    // the line says so.
    std::string undo();

private:
    std::string fileMoving(Photo& photo, const std::string& folder);
    std::string dropCurrent(const std::string& why);

    struct Filing {
        std::size_t photo;
        Destination to;
        FileStamp stamp;
    };

    FileSystem& fileSystem_;
    SortCatalogue catalogue_;
    std::string appPath_;
    std::vector<Photo> photos_;
    std::size_t current_ = 0;
    std::vector<Filing> filings_;
};

}  // namespace veltrana
