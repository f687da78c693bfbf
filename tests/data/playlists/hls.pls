[playlist]
NumberOfEntries=1
File1=http://@HOST@/hls/low/live.m3u8
