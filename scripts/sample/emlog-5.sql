-- Turns emlog 6.x's tables (emlog-6.sql) into emlog 5.3.1's: the article has no
-- copy of its tags yet. The other differences of 5.3.1 are only in the indexes.
ALTER TABLE {prefix}blog DROP COLUMN tags;
